#include "services/picture_info.h"

#include "media/header_probe.h"
#include "render/image/image_layer.h"

namespace velomira {

bool describePictureFile(const std::string& path, std::string& text) {
    return describeImageFile(path, text) == 1 || describePicture(path, text);
}

ChosenPicture checkChosenPicture(const std::string& path, bool logo) {
    const PictureKind kind = probeImageKind(path);
    if (kind != PictureKind::Png && kind != PictureKind::Jpeg)
        return ChosenPicture::NotPngOrJpeg;
    if (logo && kind == PictureKind::Jpeg && isCmykPicture(path))
        return ChosenPicture::CmykLogo;
    return ChosenPicture::Usable;
}

} // namespace velomira
