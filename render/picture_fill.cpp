#include "render/picture_fill.h"

#include <algorithm>
#include <cmath>

namespace velomira {

namespace {

// The ground is blurred at a sixteenth of the frame's size: the blur is then cheap and the
// enlargement back to the frame smooths it further.
constexpr int kGroundShrink = 16;
constexpr double kGroundSigma = 2.0;

int sideFor(double value, int limit) {
    return std::clamp(static_cast<int>(std::lround(value)), 1, std::max(limit, 1));
}

std::pair<int, int> sizeOf(const Image& picture) {
    return {static_cast<int>(MagickGetImageWidth(picture.get())),
            static_cast<int>(MagickGetImageHeight(picture.get()))};
}

// The picture's covering part around the focal region's centre (the picture's without one).
PictureWindow focusedWindow(int w, int h, int width, int height,
                            const std::optional<FocalRegion>& focus) {
    if (!focus)
        return coverWindow(w, h, width, height, w / 2.0, h / 2.0);
    return coverWindow(w, h, width, height, (focus->x + focus->width / 2.0) * w,
                       (focus->y + focus->height / 2.0) * h);
}

// The picture's covering part, scaled to exactly width x height.
Image coveringPart(const Image& picture, int width, int height,
                   const std::optional<FocalRegion>& focus = std::nullopt) {
    const auto [w, h] = sizeOf(picture);
    const PictureWindow window = focusedWindow(w, h, width, height, focus);
    Image part(MagickGetImageRegion(picture.get(), static_cast<std::size_t>(window.width),
                                    static_cast<std::size_t>(window.height), window.x, window.y));
    if (part)
        MagickSetImagePage(part.get(), 0, 0, 0, 0);
    return part;
}

Image blurredGround(const Image& picture, int width, int height) {
    const int smallWidth = std::max(1, width / kGroundShrink);
    const int smallHeight = std::max(1, height / kGroundShrink);
    Image ground = coveringPart(picture, smallWidth, smallHeight);
    if (!ground)
        return ground;
    // Averaging boxes shrink a large picture at a fraction of a filtered resize's cost.
    MagickScaleImage(ground.get(), static_cast<std::size_t>(smallWidth),
                     static_cast<std::size_t>(smallHeight));
    MagickBlurImage(ground.get(), 0.0, kGroundSigma);
    MagickEvaluateImage(ground.get(), MultiplyEvaluateOperator, kBlurGroundBrightness);
    // Kept at 8 bits, so that the enlargement takes the fast scaler.
    MagickSetImageDepth(ground.get(), 8);
    MagickSetImageAlphaChannel(ground.get(), DeactivateAlphaChannel);
    scalePictureTo(ground, width, height);
    return ground;
}

} // namespace

PictureWindow coverWindow(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight,
                          double centreX, double centreY) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || frameWidth <= 0 || frameHeight <= 0)
        return {0, 0, std::max(pictureWidth, 0), std::max(pictureHeight, 0)};
    PictureWindow window{0, 0, pictureWidth, pictureHeight};
    // Compared in 64 bits: which side the picture is too long on.
    const long long wide = static_cast<long long>(pictureWidth) * frameHeight;
    const long long tall = static_cast<long long>(pictureHeight) * frameWidth;
    if (wide > tall)
        window.width =
            sideFor(static_cast<double>(pictureHeight) * frameWidth / frameHeight, pictureWidth);
    else if (tall > wide)
        window.height =
            sideFor(static_cast<double>(pictureWidth) * frameHeight / frameWidth, pictureHeight);
    window.x = std::clamp(static_cast<int>(std::lround(centreX - window.width / 2.0)), 0,
                          pictureWidth - window.width);
    window.y = std::clamp(static_cast<int>(std::lround(centreY - window.height / 2.0)), 0,
                          pictureHeight - window.height);
    return window;
}

std::pair<int, int> coveredSize(int frameWidth, int frameHeight, int width, int height) {
    if (width <= 0 || height <= 0 || frameWidth <= 0 || frameHeight <= 0)
        return {width, height};
    const double scale = std::max(static_cast<double>(frameWidth) / width,
                                  static_cast<double>(frameHeight) / height);
    return {std::max(frameWidth, static_cast<int>(std::ceil(width * scale - 1e-9))),
            std::max(frameHeight, static_cast<int>(std::ceil(height * scale - 1e-9)))};
}

Image fillCanvas(FillMode mode, int width, int height, Image& picture,
                 const std::string& fillColour, const std::optional<FocalRegion>& focus) {
    if (mode == FillMode::Fit || !picture || width <= 0 || height <= 0)
        return fitToCanvas(width, height, picture, fillColour);
    if (mode == FillMode::Crop) {
        Image part = coveringPart(picture, width, height, focus);
        if (!part)
            return fitToCanvas(width, height, picture, fillColour);
        picture.reset();
        scalePictureTo(part, width, height);
        return part;
    }
    Image ground = blurredGround(picture, width, height);
    if (!ground)
        return fitToCanvas(width, height, picture, fillColour);
    return fitOntoCanvas(std::move(ground), picture);
}

std::optional<FocalRegion> focusOnCanvas(FillMode mode, int width, int height, int pictureWidth,
                                         int pictureHeight,
                                         const std::optional<FocalRegion>& focus) {
    if (!focus || width <= 0 || height <= 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return std::nullopt;
    // The part of the picture the canvas shows, and where it lies on the canvas (in shares).
    double partX = 0.0;
    double partY = 0.0;
    double partWidth = 1.0;
    double partHeight = 1.0;
    double placedX = 0.0;
    double placedY = 0.0;
    double placedWidth = 1.0;
    double placedHeight = 1.0;
    if (mode == FillMode::Crop) {
        const PictureWindow window =
            focusedWindow(pictureWidth, pictureHeight, width, height, focus);
        partX = static_cast<double>(window.x) / pictureWidth;
        partY = static_cast<double>(window.y) / pictureHeight;
        partWidth = static_cast<double>(window.width) / pictureWidth;
        partHeight = static_cast<double>(window.height) / pictureHeight;
    } else {
        const auto [fitWidth, fitHeight] = fittedSize(width, height, pictureWidth, pictureHeight);
        placedX = static_cast<double>((width - fitWidth) / 2) / width;
        placedY = static_cast<double>((height - fitHeight) / 2) / height;
        placedWidth = static_cast<double>(fitWidth) / width;
        placedHeight = static_cast<double>(fitHeight) / height;
    }
    FocalRegion onCanvas = *focus;
    onCanvas.x = placedX + (focus->x - partX) / partWidth * placedWidth;
    onCanvas.y = placedY + (focus->y - partY) / partHeight * placedHeight;
    onCanvas.width = focus->width / partWidth * placedWidth;
    onCanvas.height = focus->height / partHeight * placedHeight;
    return onCanvas;
}

} // namespace velomira
