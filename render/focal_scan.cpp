#include "render/focal_scan.h"

#include "render/image/image_layer.h"

#include <algorithm>
#include <cmath>

namespace velomira {

namespace {

// The picture's pixels at no more than the working size, so that a large JPEG is decoded at a
// fraction of its size; a smaller picture stays as it is.
GreyPicture workingPixels(Image& picture) {
    GreyPicture grey;
    const int w = static_cast<int>(MagickGetImageWidth(picture.get()));
    const int h = static_cast<int>(MagickGetImageHeight(picture.get()));
    const int longSide = std::max(w, h);
    if (w <= 0 || h <= 0)
        return grey;
    if (longSide > kFocalWorkingSide) {
        const double scale = static_cast<double>(kFocalWorkingSide) / longSide;
        // Averaging boxes: cheap, and with no filter choice to vary between builds.
        MagickScaleImage(picture.get(),
                         static_cast<std::size_t>(std::max(1L, std::lround(w * scale))),
                         static_cast<std::size_t>(std::max(1L, std::lround(h * scale))));
    }
    grey.width = static_cast<int>(MagickGetImageWidth(picture.get()));
    grey.height = static_cast<int>(MagickGetImageHeight(picture.get()));
    grey.pixels.resize(static_cast<std::size_t>(grey.width) *
                       static_cast<std::size_t>(grey.height));
    if (MagickExportImagePixels(picture.get(), 0, 0, static_cast<std::size_t>(grey.width),
                                static_cast<std::size_t>(grey.height), "I", CharPixel,
                                grey.pixels.data()) != MagickTrue)
        return GreyPicture{};
    return grey;
}

} // namespace

FocalDetection scanFocalRegion(const FocalDetector& detector, const std::string& path) {
    Failure failure;
    Image picture = readPicture(path, "#ffffff", {kFocalWorkingSide, kFocalWorkingSide}, &failure);
    if (!picture) {
        FocalDetection none;
        none.problem = failure.text;
        return none;
    }
    return detector.detect(workingPixels(picture));
}

} // namespace velomira
