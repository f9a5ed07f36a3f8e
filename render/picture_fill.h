#pragma once
// How a picture is laid on the frame in each fill mode: the part of it that a covering fill
// keeps, and the filled canvas itself (made once per picture; frames are drawn from it).
#include "album/fill_mode.h"
#include "album/focal_region.h"
#include "render/image/image_layer.h"

#include <optional>
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
// fit as fitToCanvas does, crop covering the canvas around the focal region's centre (the
// picture's centre without one; shares of the turned picture), blur fitted over a blurred,
// darkened copy that covers the canvas. Empty when no canvas could be made.
Image fillCanvas(FillMode mode, int width, int height, Image& picture,
                 const std::string& fillColour,
                 const std::optional<FocalRegion>& focus = std::nullopt);

// Where the focal region of a pictureWidth x pictureHeight picture lies on the width x height
// canvas the mode lays it on, in shares of the canvas (it may reach past the canvas where a crop
// cuts it).
std::optional<FocalRegion> focusOnCanvas(FillMode mode, int width, int height, int pictureWidth,
                                         int pictureHeight,
                                         const std::optional<FocalRegion>& focus);

} // namespace velomira
