#include "render/image/image_layer.h"

#include "app/string_utils.h"
#include "render/image/frame_encoding.h"
#include "render/image/picture_reader.h"
#include "render/image/rgb_scaler.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace velomira {

namespace {

// Half-up rounding of a non-negative size computed in single precision.
int roundHalfUp(float value) {
    return static_cast<int>(std::floor(static_cast<double>(value) + 0.5));
}

void composite(MagickWand* canvas, MagickWand* picture, long x, long y) {
    MagickCompositeImage(canvas, picture, OverCompositeOp, x, y);
}

// The library expands "%d", "%[...]" and the like in names it writes; "%%" stands for a
// literal percent sign, so a file name keeps its own characters.
std::string literalWriteName(const std::string& path) {
    std::string name;
    name.reserve(path.size());
    for (char c : path) {
        if (c == '%')
            name += '%';
        name += c;
    }
    return name;
}

} // namespace

Image readPicture(const std::string& path, const std::string& fillColour,
                  std::pair<int, int> sizeHint, Failure* failureOut) {
    Image image = newImage();
    std::string failure;
    // The JPEG decoder scales by eighths while it decodes, which costs a fraction of decoding
    // the whole picture and then shrinking it; the HEIF reader honours the same hint.
    if (image && sizeHint.first > 0 && sizeHint.second > 0) {
        const std::string hint =
            std::to_string(sizeHint.first) + "x" + std::to_string(sizeHint.second);
        MagickSetOption(image.get(), "jpeg:size", hint.c_str());
    }
    if (!image || !readImageFile(image.get(), path, failure)) {
        if (failureOut)
            *failureOut = {"MagickReadImage() 发生错误：\n\nimage unknown 185 " + failure, "错误",
                           MessageKind::Error};
        return Image();
    }
    const std::string format = imageFormat(image.get());
    // The first image of a PSD is the flattened composite; the normalising below must work on
    // the image that is used, so it is selected before anything else.
    if (format == "PSD")
        MagickResetIterator(image.get());
    MagickStripImage(image.get());
    if (!fillColour.empty() && MagickGetImageAlphaChannel(image.get()) == MagickTrue) {
        Pixel fill = newPixel(fillColour);
        MagickSetImageBackgroundColor(image.get(), fill.get());
        if (format == "BMP")
            MagickSetImageAlphaChannel(image.get(), DeactivateAlphaChannel);
        else
            MagickSetImageAlphaChannel(image.get(), RemoveAlphaChannel);
    }
    if (MagickGetImageColorspace(image.get()) == CMYKColorspace)
        MagickTransformImageColorspace(image.get(), sRGBColorspace);
    return image;
}

Image makeCanvas(int width, int height, const std::string& colour) {
    if (width <= 0 || height <= 0)
        return Image();
    Image canvas = newImage();
    Pixel fill = newPixel(colour);
    if (!canvas || !fill ||
        MagickNewImage(canvas.get(), static_cast<std::size_t>(width),
                       static_cast<std::size_t>(height), fill.get()) == MagickFalse)
        return Image();
    return canvas;
}

std::pair<int, int> fittedSize(int canvasWidth, int canvasHeight, int width, int height) {
    if (width <= 0 || height <= 0 || (width <= canvasWidth && height <= canvasHeight))
        return {width, height};
    const float r = static_cast<float>(canvasHeight) / static_cast<float>(height);
    const int d = roundHalfUp(r * static_cast<float>(width));
    if (d < canvasWidth)
        return {std::max(d, 1), canvasHeight};
    const float r2 = static_cast<float>(canvasWidth) / static_cast<float>(width);
    return {canvasWidth, std::max(roundHalfUp(static_cast<float>(height) * r2), 1)};
}

namespace {

// Colours the 8-bit export reads as they are: in other spaces (CMYK) the channels mean
// something else, and deeper samples would be cut before the filter.
bool eightBitOpaque(MagickWand* picture) {
    const ColorspaceType space = MagickGetImageColorspace(picture);
    return MagickGetImageAlphaChannel(picture) == MagickFalse &&
           MagickGetImageDepth(picture) <= 8 &&
           (space == sRGBColorspace || space == RGBColorspace || space == GRAYColorspace);
}

// Scales the picture in place with the 8-bit scaler (shrinking, or enlarging); false (the picture
// unchanged) when its pixels could not be read or scaled.
bool shrinkEightBit(Image& picture, int newWidth, int newHeight) {
    const int w = static_cast<int>(MagickGetImageWidth(picture.get()));
    const int h = static_cast<int>(MagickGetImageHeight(picture.get()));
    RgbFrame source = makeRgbFrame(w, h);
    RgbFrame shrunk = makeRgbFrame(newWidth, newHeight);
    RgbScaler scaler;
    if (source.empty() || shrunk.empty() ||
        !exportRgb24(picture.get(), source.pixels.data(), source.bytes()) ||
        !scaler.scale(source.data(), w, h, shrunk))
        return false;
    Image result = imageFromRgb24(shrunk.data(), newWidth, newHeight);
    if (!result)
        return false;
    picture = std::move(result);
    return true;
}

} // namespace

void scalePictureTo(Image& picture, int width, int height) {
    if (!picture || width <= 0 || height <= 0)
        return;
    const int w = static_cast<int>(MagickGetImageWidth(picture.get()));
    const int h = static_cast<int>(MagickGetImageHeight(picture.get()));
    if (w == width && h == height)
        return;
    // The 8-bit scaler for plain pictures, as in the fit, where it does not ring: for moderate
    // shrinking and for any enlargement.
    const bool shrinking = width <= w && height <= h;
    const bool moderate = !shrinking || (4 * width >= w && 4 * height >= h);
    const bool eightBit =
        moderate && eightBitOpaque(picture.get()) && shrinkEightBit(picture, width, height);
    if (!eightBit)
        MagickResizeImage(picture.get(), static_cast<std::size_t>(width),
                          static_cast<std::size_t>(height), LanczosFilter, 1.0);
}

Image fitOntoCanvas(Image canvas, Image& picture, FitScaler scaler) {
    if (!canvas || !picture)
        return canvas;
    const int width = static_cast<int>(MagickGetImageWidth(canvas.get()));
    const int height = static_cast<int>(MagickGetImageHeight(canvas.get()));
    const int w = static_cast<int>(MagickGetImageWidth(picture.get()));
    const int h = static_cast<int>(MagickGetImageHeight(picture.get()));
    if (w == width && h == height) {
        composite(canvas.get(), picture.get(), 0, 0);
        return canvas;
    }
    if (w > width || h > height) {
        const auto [newWidth, newHeight] = fittedSize(width, height, w, h);
        // The library filters at 16 bits a channel, several times the 8-bit scaler's cost.
        // Past a fourth the scaler's border rows ring by a few levels on flat colour.
        const bool eightBit = scaler == FitScaler::Auto && 4 * newWidth >= w &&
                              4 * newHeight >= h && eightBitOpaque(picture.get()) &&
                              shrinkEightBit(picture, newWidth, newHeight);
        if (!eightBit)
            MagickResizeImage(picture.get(), static_cast<std::size_t>(newWidth),
                              static_cast<std::size_t>(newHeight), LanczosFilter, 1.0);
    }
    const int fittedWidth = static_cast<int>(MagickGetImageWidth(picture.get()));
    const int fittedHeight = static_cast<int>(MagickGetImageHeight(picture.get()));
    composite(canvas.get(), picture.get(), (width - fittedWidth) / 2, (height - fittedHeight) / 2);
    return canvas;
}

Image fitToCanvas(int width, int height, Image& picture, const std::string& fillColour,
                  FitScaler scaler) {
    return fitOntoCanvas(makeCanvas(width, height, fillColour), picture, scaler);
}

Image zoomedFrame(int width, int height, const Image& picture, int grow) {
    Image canvas = makeCanvas(width, height, "#FFFFFF");
    Image enlarged = cloneImage(picture);
    if (!canvas || !enlarged)
        return canvas;
    const int w = static_cast<int>(MagickGetImageWidth(enlarged.get()));
    const int h = static_cast<int>(MagickGetImageHeight(enlarged.get()));
    const int newWidth = std::max(w + grow, 1);
    const float x =
        (static_cast<float>(height) / static_cast<float>(width)) * static_cast<float>(grow);
    const int whole = static_cast<int>(x);
    const float fraction = x - static_cast<float>(whole);
    const int newHeight = std::max(h + whole + (fraction >= 0.5f ? 1 : 0), 1);
    MagickResizeImage(enlarged.get(), static_cast<std::size_t>(newWidth),
                      static_cast<std::size_t>(newHeight), LanczosFilter, 1.0);
    composite(canvas.get(), enlarged.get(), -(std::abs(width - newWidth) / 2),
              -(std::abs(height - newHeight) / 2));
    return canvas;
}

EncodedFrame encodeFrame(Image& image, const PreviewLogo* logo, FrameFormat format) {
    return encodeFrame(image.get(), logo, format);
}

EncodedFrame encodeFrame(MagickWand* image, const PreviewLogo* logo, FrameFormat format) {
    if (!image || MagickGetNumberImages(image) == 0)
        return EncodedFrame();
    if (MagickGetImageColorspace(image) != sRGBColorspace)
        MagickSetImageColorspace(image, sRGBColorspace);
    MagickWand* target = image;
    Image withLogo;
    if (logo && logo->image) {
        withLogo.reset(CloneMagickWand(image));
        if (!withLogo)
            return EncodedFrame();
        composite(withLogo.get(), logo->image.get(), logo->x, logo->y);
        target = withLogo.get();
    }
    // JPEG frames are 4:2:0: the video is yuv420p anyway, and the encoder decodes such frames
    // faster.
    return encodePixels(target, format);
}

EncodedFrame encodeFrame(const unsigned char* rgb, int width, int height, const PreviewLogo* logo,
                         FrameFormat format) {
    if (logo && logo->image) {
        Image image = imageFromRgb24(rgb, width, height);
        return image ? encodeFrame(image, logo, format) : EncodedFrame();
    }
    return encodeRgb24(rgb, width, height, format);
}

bool writePictureFile(Image& image, const std::string& path) {
    if (!image || path.empty() || MagickGetNumberImages(image.get()) == 0)
        return false;
    return MagickWriteImage(image.get(), literalWriteName(path).c_str()) == MagickTrue;
}

bool describePicture(const std::string& path, std::string& text) {
    Image image = newImage();
    std::string failure;
    // The size, format and length need no pixels, so a ping is enough.
    if (!image || !readImageFile(image.get(), path, failure, true)) {
        text = "注意: 这不是一个有效的图片";
        return false;
    }
    const std::string format = imageFormat(image.get());
    if (format == "PSD")
        MagickResetIterator(image.get());
    const int width = static_cast<int>(MagickGetImageWidth(image.get()));
    const int height = static_cast<int>(MagickGetImageHeight(image.get()));
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    const long long length = error ? 0 : static_cast<long long>(size);
    if (length < 1024)
        text = formatText("尺寸: %d x %d, 类型: %s 图片, 大小: %lld 字节", width, height,
                          format.c_str(), length);
    else if (length < 1048576)
        text = formatText("尺寸: %d x %d, 类型: %s 图片, 大小: %0.1f KB", width, height,
                          format.c_str(), static_cast<double>(length) / 1024.0);
    else
        text = formatText("尺寸: %d x %d, 类型: %s 图片, 大小: %0.1f MB", width, height,
                          format.c_str(), static_cast<double>(length) / 1024.0 / 1024.0);
    return true;
}

bool isCmykPicture(const std::string& path) {
    Image image = newImage();
    std::string failure;
    if (!image || !readImageFile(image.get(), path, failure, true))
        return false;
    return MagickGetImageColorspace(image.get()) == CMYKColorspace;
}

bool isStillPicture(const Image& image) {
    if (!image || MagickGetNumberImages(image.get()) == 0)
        return false;
    return MagickGetImageDelay(image.get()) == 0 || MagickGetNumberImages(image.get()) == 1;
}

} // namespace velomira
