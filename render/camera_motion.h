#pragma once
// The slow camera move over a held picture: where the view is at each moment, and the frames
// drawn from a canvas of the picture prepared once at a little more than the frame size, so
// that every frame is resampled in sub-pixel steps rather than cropped in whole pixels.
#include "album/camera_motion.h"
#include "album/focal_region.h"
#include "render/image/image_layer.h"
#include "render/image/rgb_frame.h"
#include "render/image/rgb_resample.h"

#include <optional>
#include <string>

namespace velomira {

// Zooms span 100 % to 115 % of the fitted picture; a pan that the fit leaves nothing to
// travel over looks through a 110 % view, and no view is ever closer than the zoom's end.
inline constexpr double kZoomSpan = 1.15;
inline constexpr double kPanLeastZoom = 1.10;

// What the frame shows: the part of the W x H picture canvas of W / zoom x H / zoom centred on
// (centreX, centreY), in canvas pixels (whole numbers at pixel corners).
struct CameraView {
    double centreX = 0.0;
    double centreY = 0.0;
    double zoom = 1.0;
};

struct CameraPath {
    CameraView from;
    CameraView to;
};

// The path of the motion for a picture fitted to pictureWidth x pictureHeight on a
// width x height canvas. A pan travels across the part of the picture that a fit filling the
// frame would cut; "left" moves the camera towards the picture's left edge. With a focal region
// (shares of the canvas) a zoom-in ends and a zoom-out starts with it centred as far as the
// canvas allows, and a pan ends on it (its start stays where the direction puts it).
CameraPath cameraPath(CameraMotion motion, int width, int height, int pictureWidth,
                      int pictureHeight, const std::optional<FocalRegion>& focus = std::nullopt);

// 3u² - 2u³, with u clamped to 0..1: the move starts and ends at rest.
double smoothstep(double u);

// The view at u (0..1) along the path, eased.
CameraView viewAt(const CameraPath& path, double u);

// Where hold frame `frame` of `frames` is along the path. After a transition, whose last frame
// already showed the start, the first hold frame moves on; without one the hold begins at the
// start. The last hold frame is always at the end.
double holdProgress(int frame, int frames, bool afterTransition);

// A hold needs two frames to move; shorter holds (and none) stay still.
bool motionMoves(CameraMotion motion, int stillFrames);

// The picture prepared for its motion: fitted onto a canvas up to kZoomSpan times the frame
// size (no larger than the picture's own pixels allow), as 8-bit pixels.
struct MotionPicture {
    CameraPath path;
    RgbxFrame source;
    int width = 0; // the frame size
    int height = 0;

    bool ready() const { return !source.empty(); }
};

// From the picture read and turned but not yet fitted; not ready when the pixels could not be
// had. The picture is not changed. The focal region is in shares of the turned picture.
MotionPicture prepareMotionPicture(CameraMotion motion, int width, int height, const Image& picture,
                                   const std::string& fillColour,
                                   const std::optional<FocalRegion>& focus = std::nullopt);

// From a canvas that already covers the frame (a cropped or blurred fill, at up to kZoomSpan
// times the frame size): the whole canvas is the picture the camera moves over. The focal
// region is in shares of that canvas.
MotionPicture prepareFilledMotionPicture(CameraMotion motion, int width, int height,
                                         const Image& canvas,
                                         const std::optional<FocalRegion>& focus = std::nullopt);

// Draws the view into out (width x height).
bool drawCameraView(const MotionPicture& picture, const CameraView& view, RgbResampler& resampler,
                    RgbFrame& out);

// The view as an image (the canvas a transition reveals, the frame the next one starts from).
Image cameraViewImage(const MotionPicture& picture, const CameraView& view);

} // namespace velomira
