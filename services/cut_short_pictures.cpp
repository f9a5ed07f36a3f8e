#include "services/cut_short_pictures.h"

#include "render/frame_sequencer.h"
#include "render/image/magick_handles.h"
#include "render/image/picture_reader.h"

#include <algorithm>

namespace velomira {

std::string cutShortPictureLine(const std::string& path) {
    return "图片数据不完整: " + path;
}

std::vector<std::string> findCutShortPictures(const AlbumProject& album) {
    std::vector<std::string> found;
    for (const AlbumItem& item : album.items) {
        if (std::find(found.begin(), found.end(), item.path) != found.end())
            continue;
        Image image = newImage();
        const auto [width, height] = pictureSizeHint(album.settings, item);
        if (image && width > 0 && height > 0) {
            const std::string hint = std::to_string(width) + "x" + std::to_string(height);
            MagickSetOption(image.get(), "jpeg:size", hint.c_str());
        }
        std::string failure;
        if (image && readImageFile(image.get(), item.path, failure) &&
            pictureDataCutShort(image.get()))
            found.push_back(item.path);
    }
    return found;
}

} // namespace velomira
