#pragma once
// How a picture is laid on the frame in each fill mode: the part of it that a covering fill
// keeps, and the filled canvas itself (made once per picture; frames are drawn from it).
#include "album/fill_mode.h"
#include "render/image/image_layer.h"

#include <string>
#include <utility>

namespace velomira {

// A part of a picture, in whole picture pixels.
struct PictureWindow {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PictureWindow&) const = default;
};

// The largest part of a pictureWidth x pictureHeight picture with the aspect of a
// frameWidth x frameHeight frame, centred on (centreX, centreY) (picture pixels) as far as the
// picture's edges allow. Never empty for a picture with pixels.
PictureWindow coverWindow(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight,
                          double centreX, double centreY);

// The size a picture takes when scaled so that it covers the frame (crop mode's fitted size).
std::pair<int, int> coveredSize(int frameWidth, int frameHeight, int width, int height);

// The share of its brightness the blurred ground keeps.
inline constexpr double kBlurGroundBrightness = 0.7;

// The picture (read and turned; consumed) on a width x height canvas as the mode lays it:
// fit as fitToCanvas does, crop covering the canvas around the picture's centre, blur fitted
// over a blurred, darkened copy that covers the canvas. Empty when no canvas could be made.
Image fillCanvas(FillMode mode, int width, int height, Image& picture,
                 const std::string& fillColour);

} // namespace velomira
