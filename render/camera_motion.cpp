#include "render/camera_motion.h"

#include "render/image/frame_encoding.h"
#include "render/picture_fill.h"

#include <algorithm>
#include <cmath>

namespace velomira {

namespace {

struct Travel {
    double from = 0.0;
    double to = 0.0;
};

// Where the view's centre can go along one axis of the canvas (extent) at the zoom: across the
// picture (at offset, of length picture) when it is longer than the view, else across the
// padded canvas, so a narrow picture still moves.
Travel travelAlong(double extent, double offset, double picture, double zoom) {
    const double half = extent / (2.0 * zoom);
    if (picture >= 2.0 * half)
        return {offset + half, offset + picture - half};
    return {half, extent - half};
}

double lerp(double a, double b, double u) {
    return a + (b - a) * u;
}

// The view centre nearest to target at which a view at the zoom stays on the canvas.
double keptOnCanvas(double target, double extent, double zoom) {
    const double half = extent / (2.0 * zoom);
    return std::clamp(target, half, std::max(half, extent - half));
}

// The path turned towards the focal point (canvas pixels): zooms centre on it at their near
// end, pans end on it along their way and look at it across it.
CameraPath followFocus(CameraMotion motion, CameraPath path, double w, double h, double focusX,
                       double focusY) {
    const auto towards = [&](CameraView& view) {
        view.centreX = keptOnCanvas(focusX, w, view.zoom);
        view.centreY = keptOnCanvas(focusY, h, view.zoom);
    };
    const auto alongX = [&](double from, double to) {
        path.to.centreX = std::clamp(focusX, std::min(from, to), std::max(from, to));
        path.from.centreY = path.to.centreY = keptOnCanvas(focusY, h, path.to.zoom);
    };
    const auto alongY = [&](double from, double to) {
        path.to.centreY = std::clamp(focusY, std::min(from, to), std::max(from, to));
        path.from.centreX = path.to.centreX = keptOnCanvas(focusX, w, path.to.zoom);
    };
    switch (motion) {
    case CameraMotion::ZoomIn:
        towards(path.to);
        break;
    case CameraMotion::ZoomOut:
        towards(path.from);
        break;
    case CameraMotion::PanLeft:
    case CameraMotion::PanRight:
        alongX(path.from.centreX, path.to.centreX);
        break;
    case CameraMotion::PanUp:
    case CameraMotion::PanDown:
        alongY(path.from.centreY, path.to.centreY);
        break;
    case CameraMotion::None:
        break;
    }
    return path;
}

CameraPath centredPath(CameraMotion motion, int width, int height, int pictureWidth,
                       int pictureHeight);

} // namespace

CameraPath cameraPath(CameraMotion motion, int width, int height, int pictureWidth,
                      int pictureHeight, const std::optional<FocalRegion>& focus) {
    const CameraPath path = centredPath(motion, width, height, pictureWidth, pictureHeight);
    if (!focus)
        return path;
    const double w = std::max(width, 1);
    const double h = std::max(height, 1);
    return followFocus(motion, path, w, h, (focus->x + focus->width / 2.0) * w,
                       (focus->y + focus->height / 2.0) * h);
}

namespace {

CameraPath centredPath(CameraMotion motion, int width, int height, int pictureWidth,
                       int pictureHeight) {
    const double w = std::max(width, 1);
    const double h = std::max(height, 1);
    const double pw = std::clamp(pictureWidth, 1, std::max(width, 1));
    const double ph = std::clamp(pictureHeight, 1, std::max(height, 1));
    const CameraView whole{w / 2.0, h / 2.0, 1.0};
    const CameraView near{w / 2.0, h / 2.0, kZoomSpan};
    // The zoom at which the picture fills the frame: what lies beyond the frame then is the
    // part the pan travels over.
    const double panZoom = std::clamp(std::max(w / pw, h / ph), kPanLeastZoom, kZoomSpan);
    // The picture's place on the canvas, as fitting puts it.
    const double left = static_cast<double>((width - pictureWidth) / 2);
    const double top = static_cast<double>((height - pictureHeight) / 2);
    const Travel across = travelAlong(w, left, pw, panZoom);
    const Travel down = travelAlong(h, top, ph, panZoom);
    switch (motion) {
    case CameraMotion::None:
        return {whole, whole};
    case CameraMotion::ZoomIn:
        return {whole, near};
    case CameraMotion::ZoomOut:
        return {near, whole};
    case CameraMotion::PanLeft:
        return {{across.to, h / 2.0, panZoom}, {across.from, h / 2.0, panZoom}};
    case CameraMotion::PanRight:
        return {{across.from, h / 2.0, panZoom}, {across.to, h / 2.0, panZoom}};
    case CameraMotion::PanUp:
        return {{w / 2.0, down.to, panZoom}, {w / 2.0, down.from, panZoom}};
    case CameraMotion::PanDown:
        return {{w / 2.0, down.from, panZoom}, {w / 2.0, down.to, panZoom}};
    }
    return {whole, whole};
}

} // namespace

double smoothstep(double u) {
    const double t = std::clamp(u, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

CameraView viewAt(const CameraPath& path, double u) {
    const double s = smoothstep(u);
    return {lerp(path.from.centreX, path.to.centreX, s),
            lerp(path.from.centreY, path.to.centreY, s), lerp(path.from.zoom, path.to.zoom, s)};
}

double holdProgress(int frame, int frames, bool afterTransition) {
    if (frames <= 1)
        return 1.0;
    return afterTransition ? static_cast<double>(frame + 1) / frames
                           : static_cast<double>(frame) / (frames - 1);
}

bool motionMoves(CameraMotion motion, int stillFrames) {
    return motion != CameraMotion::None && stillFrames >= 2;
}

namespace {

// The canvas as 8-bit pixels; empty when they could not be had.
RgbxFrame canvasPixels(const Image& canvas) {
    const int w = static_cast<int>(MagickGetImageWidth(canvas.get()));
    const int h = static_cast<int>(MagickGetImageHeight(canvas.get()));
    RgbxFrame source = makeRgbxFrame(w, h);
    if (source.empty() || MagickExportImagePixels(canvas.get(), 0, 0, static_cast<std::size_t>(w),
                                                  static_cast<std::size_t>(h), "RGBA", CharPixel,
                                                  source.pixels.data()) != MagickTrue)
        return RgbxFrame();
    return source;
}

} // namespace

MotionPicture prepareMotionPicture(CameraMotion motion, int width, int height, const Image& picture,
                                   const std::string& fillColour,
                                   const std::optional<FocalRegion>& focus) {
    MotionPicture prepared;
    if (!picture || width <= 0 || height <= 0)
        return prepared;
    const int w = static_cast<int>(MagickGetImageWidth(picture.get()));
    const int h = static_cast<int>(MagickGetImageHeight(picture.get()));
    if (w <= 0 || h <= 0)
        return prepared;
    const auto [fitWidth, fitHeight] = fittedSize(width, height, w, h);
    prepared.width = width;
    prepared.height = height;
    prepared.path = cameraPath(motion, width, height, fitWidth, fitHeight,
                               focusOnCanvas(FillMode::Fit, width, height, w, h, focus));
    // Enough pixels for the closest view, but never more than the picture has: a small
    // picture moves over its padded canvas as it is.
    const double reach = std::max(prepared.path.from.zoom, prepared.path.to.zoom);
    const double scale =
        std::clamp(std::min(static_cast<double>(w) / fitWidth, static_cast<double>(h) / fitHeight),
                   1.0, reach);
    const auto scaled = [scale](int size) {
        return std::max(1, static_cast<int>(std::lround(size * scale)));
    };
    const int canvasWidth = scaled(width);
    const int canvasHeight = scaled(height);
    const int placedWidth = std::min(scaled(fitWidth), canvasWidth);
    const int placedHeight = std::min(scaled(fitHeight), canvasHeight);
    Image placed = cloneImage(picture);
    Image canvas = makeCanvas(canvasWidth, canvasHeight, fillColour);
    if (!placed || !canvas)
        return prepared;
    if (placedWidth != w || placedHeight != h)
        MagickResizeImage(placed.get(), static_cast<std::size_t>(placedWidth),
                          static_cast<std::size_t>(placedHeight), LanczosFilter, 1.0);
    MagickCompositeImage(canvas.get(), placed.get(), OverCompositeOp,
                         (canvasWidth - placedWidth) / 2, (canvasHeight - placedHeight) / 2);
    prepared.source = canvasPixels(canvas);
    return prepared;
}

MotionPicture prepareFilledMotionPicture(CameraMotion motion, int width, int height,
                                         const Image& canvas,
                                         const std::optional<FocalRegion>& focus) {
    MotionPicture prepared;
    if (!canvas || width <= 0 || height <= 0)
        return prepared;
    prepared.width = width;
    prepared.height = height;
    prepared.path = cameraPath(motion, width, height, width, height, focus);
    prepared.source = canvasPixels(canvas);
    return prepared;
}

bool drawCameraView(const MotionPicture& picture, const CameraView& view, RgbResampler& resampler,
                    RgbFrame& out) {
    if (!picture.ready() || out.width != picture.width || out.height != picture.height)
        return false;
    // Output pixel i shows canvas point centre + (i + 0.5 - size / 2) / zoom, which the source
    // holds at that point times its scale, pixel centres at whole numbers.
    const double scaleX = static_cast<double>(picture.source.width) / picture.width;
    const double scaleY = static_cast<double>(picture.source.height) / picture.height;
    const ResampleAxis across{(view.centreX + (0.5 - picture.width / 2.0) / view.zoom) * scaleX -
                                  0.5,
                              scaleX / view.zoom};
    const ResampleAxis down{(view.centreY + (0.5 - picture.height / 2.0) / view.zoom) * scaleY -
                                0.5,
                            scaleY / view.zoom};
    return resampler.resample(picture.source, across, down, out);
}

Image cameraViewImage(const MotionPicture& picture, const CameraView& view) {
    RgbFrame frame = makeRgbFrame(picture.width, picture.height);
    RgbResampler resampler;
    if (frame.empty() || !drawCameraView(picture, view, resampler, frame))
        return Image();
    return imageFromRgb24(frame.data(), frame.width, frame.height);
}

} // namespace velomira
