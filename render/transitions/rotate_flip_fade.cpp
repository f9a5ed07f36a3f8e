#include "render/transitions/rotate_flip_fade.h"

#include "render/image/frame_encoding.h"
#include "render/image/pixel_blend.h"
#include "render/image/rgb_scaler.h"
#include "render/image/rgb_warp.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace velomira {

namespace {

// ---------------------------------------------------------------------------------------------
// Cross-fade: the previous frame laid over the new picture at falling opacity.

constexpr int kDefaultFadeStep = 6;

// The previous frame's opacity in percent, frame by frame; the last level (0) is the plain
// picture.
std::vector<int> fadeLevels(int parameter) {
    int step = parameter >= 1 && parameter <= 20 ? parameter : kDefaultFadeStep;
    std::vector<int> levels;
    for (int level = 100 - step;;) {
        levels.push_back(level);
        if (level <= 0)
            break;
        if (level - step >= 0) {
            level -= step;
        } else {
            step = level;
            level = 0;
        }
    }
    return levels;
}

// Both frames as 8-bit pixels, taken once per picture, so a frame is a blend of two buffers
// rather than an image copy and a 16-bit composite. Not ready when either frame is not a plain
// opaque W x H picture: the library's composite then handles what a blend cannot.
struct FadePixels {
    FrameBuffer picture;
    FrameBuffer previous;
    bool ready = false;
};

bool frameSized(MagickWand* image, int width, int height) {
    return image && MagickGetImageWidth(image) == static_cast<std::size_t>(width) &&
           MagickGetImageHeight(image) == static_cast<std::size_t>(height);
}

void takeFadePixels(FadePixels& pixels, MagickWand* picture, MagickWand* previous, int width,
                    int height, FramePool* pool) {
    // The previous frame's own alpha does not count: its opacity is replaced by the fade's.
    if (!frameSized(picture, width, height) || !frameSized(previous, width, height) ||
        MagickGetImageAlphaChannel(picture) != MagickFalse)
        return;
    const std::size_t size = 3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pixels.picture = pool ? pool->take(size, false) : FrameBuffer(size);
    pixels.previous = pool ? pool->take(size, false) : FrameBuffer(size);
    pixels.ready = !pixels.picture.empty() && !pixels.previous.empty() &&
                   exportRgb24(picture, pixels.picture.data(), size) &&
                   exportRgb24(previous, pixels.previous.data(), size);
}

} // namespace

Image crossFade(EffectInputs& in, const EffectParameter& parameter) {
    const std::vector<int> levels = fadeLevels(parameter.step);
    Image previous;
    Image frame;
    FadePixels pixels;
    auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
        if (!previous) {
            previous = takeBaseFrame(in);
            if (previous && in.pictureCanvas && !in.libraryFrames)
                takeFadePixels(pixels, in.pictureCanvas->get(), previous.get(), in.width, in.height,
                               framePoolOf(in));
        }
        const double opacity = levels[i] / 100.0;
        // The last frame is an image: it is held still, captioned and handed on.
        if (pixels.ready && i + 1 < levels.size()) {
            if (!(opacity > 0.01))
                return DrawnFrame::pixels(pixels.picture.data());
            if (canvas.frame.bytes() != pixels.picture.size())
                return nullptr;
            blendPercent(pixels.previous.data(), pixels.picture.data(), pixels.picture.size(),
                         levels[i], canvas.frame.pixels.data());
            return DrawnFrame::pixels(canvas.frame.data());
        }
        frame = clonePictureCanvas(in);
        if (!previous || !frame)
            return nullptr;
        if (opacity > 0.01) {
            MagickSetImageOpacity(previous.get(), opacity);
            MagickCompositeImage(frame.get(), previous.get(), OverCompositeOp, 0, 0);
        }
        return frame.get();
    };
    return playTransition(in, levels.size(), draw, frame, FrameOrder::Apart);
}

namespace {

// Makes the library's rotation and distortion sample by bilinear interpolation instead of its
// default elliptical area filter: at 1280 x 720 the perspective then costs a third and the
// rotation two thirds of the time. The rotation works on a copy already resized with Lanczos,
// so it never shrinks anything; the perspective shrinks the picture at most some six times, in
// the first frames of a swing, where the area filter's gain does not show. The filter is an
// image attribute the wand interface has no setter for; copies inherit it.
void sampleByInterpolation(MagickWand* wand) {
    GetImageFromMagickWand(wand)->filter = PointFilter;
    MagickSetImageInterpolateMethod(wand, BilinearInterpolatePixel);
}

// ---------------------------------------------------------------------------------------------
// Spins: one picture turns while it grows out of the centre over the previous frame, or the
// previous frame turns while it shrinks into the centre over the new picture.

constexpr int kSpinUnits = 20;
constexpr double kDegreesPerUnit = 18.0;

struct SpinStep {
    std::size_t width;
    std::size_t height;
    double degrees; // clockwise, as the library turns
    double opacity;
    bool setOpacity;
};

// The 19 turning frames; the 20th frame is the plain picture.
std::vector<SpinStep> spinSteps(int width, int height, bool grow, bool clockwise) {
    // Kept at one pixel or more so that tiny frames still turn something.
    const std::size_t unitWidth = static_cast<std::size_t>(std::max(width / kSpinUnits, 1));
    const std::size_t unitHeight = static_cast<std::size_t>(std::max(height / kSpinUnits, 1));
    std::vector<SpinStep> steps;
    double opacity = grow ? 0.05 : 1.0;
    for (int n = 1; n < kSpinUnits; ++n) {
        const int units = grow ? n : kSpinUnits - n;
        const double turn = kDegreesPerUnit * units;
        SpinStep step{};
        step.width = static_cast<std::size_t>(units) * unitWidth;
        step.height = static_cast<std::size_t>(units) * unitHeight;
        if (grow) {
            opacity += 0.05;
            step.setOpacity = opacity < 1.0;
            step.degrees = clockwise ? turn : 360.0 - turn;
        } else {
            opacity -= 0.05;
            step.setOpacity = opacity > 0.0;
            step.degrees = clockwise ? 360.0 - turn : turn;
        }
        step.opacity = opacity;
        steps.push_back(step);
    }
    return steps;
}

// The turned, resized and faded copy of `picture`, centred on a copy of `under`.
Image spinFrame(const Image& under, const Image& picture, const SpinStep& step, int width,
                int height) {
    Image frame = cloneImage(under);
    Image copy = cloneImage(picture);
    Pixel clear = newPixel("#FFFFFF");
    if (!frame || !copy || !clear)
        return Image();
    PixelSetAlpha(clear.get(), 0.0);
    MagickResizeImage(copy.get(), step.width, step.height, LanczosFilter, 1.0);
    // The corners the rotation uncovers must stay transparent in every frame, also in the last
    // growing one, which reaches full opacity and sets none; so alpha is switched on here
    // rather than left to the rotation.
    MagickSetImageMatte(copy.get(), MagickTrue);
    if (step.setOpacity)
        MagickSetImageOpacity(copy.get(), step.opacity);
    sampleByInterpolation(copy.get());
    MagickRotateImage(copy.get(), clear.get(), step.degrees);
    const long turnedWidth = static_cast<long>(MagickGetImageWidth(copy.get()));
    const long turnedHeight = static_cast<long>(MagickGetImageHeight(copy.get()));
    MagickCompositeImage(frame.get(), copy.get(), OverCompositeOp, (width - turnedWidth) / 2,
                         (height - turnedHeight) / 2);
    return frame;
}

// spinFrame on 8-bit pixels, on the canvas: the copy scaled by the vectorised filter, turned and
// composed here. False when the scaling failed.
bool spinFrame8(FrameCanvas& canvas, const RgbFrame& under, const RgbFrame& picture,
                const SpinStep& step) {
    if (canvas.frame.bytes() != under.bytes())
        return false;
    copyFrame(under, canvas.frame);
    if (!reshapeRgbFrame(canvas.scratch, static_cast<int>(step.width),
                         static_cast<int>(step.height), canvas.scaler.pool()) ||
        !canvas.scaler.scale(picture.data(), picture.width, picture.height, canvas.scratch))
        return false;
    turnOver(canvas.scratch, step.degrees, step.setOpacity ? step.opacity : 1.0, canvas.frame);
    return true;
}

} // namespace

Image spin(EffectInputs& in, const EffectParameter&, bool grow, bool clockwise) {
    const std::vector<SpinStep> steps = spinSteps(in.width, in.height, grow, clockwise);
    Image previous;
    Image frame;
    TransitionPixels pixels;
    auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
        if (i == steps.size()) {
            pixels = TransitionPixels();
            frame = clonePictureCanvas(in);
            return frame.get();
        }
        if (i == 0) {
            previous = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, previous.get());
        }
        if (!previous || !in.pictureCanvas)
            return nullptr;
        if (pixels.ready()) {
            if (grow ? spinFrame8(canvas, pixels.base, pixels.picture, steps[i])
                     : spinFrame8(canvas, pixels.picture, pixels.base, steps[i]))
                return DrawnFrame::pixels(canvas.frame.data());
            // Frames drawn apart read the pixels: only the first frame may give them up.
            if (i > 0)
                return nullptr;
            pixels = TransitionPixels();
        }
        frame = grow ? spinFrame(previous, *in.pictureCanvas, steps[i], in.width, in.height)
                     : spinFrame(*in.pictureCanvas, previous, steps[i], in.width, in.height);
        return frame.get();
    };
    return playTransition(in, steps.size() + 1, draw, frame, FrameOrder::Apart);
}

namespace {

// ---------------------------------------------------------------------------------------------
// Flips: the new picture swings in around one edge of the frame like a door, drawn in
// perspective over the previous frame.

constexpr int kFlipSteps = 18;

struct FlipStep {
    std::array<double, 16> points; // source x, source y, destination x, destination y; x 4
    long x;                        // where the distorted picture's bounding box starts
    long y;
};

FlipStep flipStep(int width, int height, FlipHinge hinge, int k) {
    const double w = width;
    const double h = height;
    // The moving edge spans `span` at full length (the height for a side hinge) and travels
    // over `travel`; its half-length grows toward full length around the centre.
    const bool sideways = hinge == FlipHinge::Left || hinge == FlipHinge::Right;
    const double span = sideways ? h : w;
    const double travel = sideways ? w : h;
    const double centre = sideways ? height / 2 : width / 2;
    const double half = (span / 2.3) / 2 + k * ((span - span / 2.3) * 0.5) / kFlipSteps;
    const double start = centre - half;
    const double end = centre + half;
    // Its position: counted up from 0 for a left or top hinge, down toward 0 (in whole pixels)
    // for a right or bottom one.
    const double rising = travel * 0.125 + k * (travel - travel * 0.125) / kFlipSteps;
    const double reach = travel - travel * 0.125;
    const double falling = static_cast<long>(reach - k * reach / kFlipSteps);

    switch (hinge) {
    case FlipHinge::Left:
        return {{0, 0, 0, 0, 0, h, 0, h, w, 0, rising, start, w, h, rising, end}, -1, -1};
    case FlipHinge::Right:
        return {{0, 0, falling, start, 0, h, falling, end, w, h, w, h, w, 0, w, 0},
                static_cast<long>(falling - 1),
                -1};
    case FlipHinge::Top:
        return {{0, 0, 0, 0, w, 0, w, 0, 0, h, start, rising, w, h, end, rising}, -1, -1};
    case FlipHinge::Bottom:
        break;
    }
    return {{0, h, 0, h, w, h, w, h, 0, 0, start, falling, w, 0, end, falling},
            -1,
            static_cast<long>(falling - 1)};
}

// The 17 swinging frames; the 18th frame is the plain picture.
std::vector<FlipStep> flipSteps(int width, int height, FlipHinge hinge) {
    std::vector<FlipStep> steps;
    for (int k = 1; k < kFlipSteps; ++k)
        steps.push_back(flipStep(width, height, hinge, k));
    return steps;
}

// The picture ready to be distorted: an alpha channel, and transparency wherever the
// distortion looks beyond its edges, so no wedge of edge colour appears around it.
Image flipSource(const EffectInputs& in) {
    Image source = clonePictureCanvas(in);
    if (!source)
        return Image();
    MagickSetImageMatte(source.get(), MagickTrue);
    MagickSetImageVirtualPixelMethod(source.get(), TransparentVirtualPixelMethod);
    sampleByInterpolation(source.get());
    return source;
}

} // namespace

Image flipIn(EffectInputs& in, const EffectParameter&, FlipHinge side) {
    const std::vector<FlipStep> steps = flipSteps(in.width, in.height, side);
    // Where every step gives a perspective (all but the tiniest frames), each 8-bit frame is the
    // swinging picture drawn onto a copy of the previous frame, whatever the frames before it
    // drew: the swing of a frame covers that of the one before.
    const bool apart = std::all_of(steps.begin(), steps.end(), [](const FlipStep& step) {
        return givesPerspective(step.points.data());
    });
    Image base;
    Image source;
    Image frame;
    // 8-bit: the swinging picture drawn in perspective onto the base here; a quadrilateral that
    // gives no perspective is left to the library's distortion, composed here as well.
    TransitionPixels pixels;
    std::vector<unsigned char> scratch;
    auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
        if (i == steps.size()) {
            pixels = TransitionPixels();
            frame = clonePictureCanvas(in);
            return frame.get();
        }
        if (!base) {
            base = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, base.get());
        }
        const FlipStep& step = steps[i];
        if (pixels.ready() && apart) {
            if (canvas.frame.bytes() != pixels.base.bytes())
                return nullptr;
            copyFrame(pixels.base, canvas.frame);
            if (!perspectiveOver(pixels.picture, step.points.data(), step.x, step.y, canvas.frame))
                return nullptr;
            return DrawnFrame::pixels(canvas.frame.data());
        }
        if (pixels.ready() &&
            perspectiveOver(pixels.picture, step.points.data(), step.x, step.y, pixels.base))
            return DrawnFrame::pixels(pixels.base.data());
        if (!source)
            source = flipSource(in);
        Image turned = cloneImage(source);
        if (!base || !turned)
            return nullptr;
        // A degenerate quadrilateral (frames of a pixel or two) leaves the copy undistorted;
        // then this frame shows the base alone.
        if (MagickDistortImage(turned.get(), PerspectiveDistortion, step.points.size(),
                               step.points.data(), MagickTrue) == MagickTrue) {
            if (pixels.ready()) {
                if (!composeImageOver(turned.get(), step.x, step.y, pixels.base, scratch))
                    return nullptr;
            } else {
                MagickCompositeImage(base.get(), turned.get(), OverCompositeOp, step.x, step.y);
            }
        }
        if (pixels.ready())
            return DrawnFrame::pixels(pixels.base.data());
        return base.get();
    };
    return playTransition(in, steps.size() + 1, draw, frame,
                          apart ? FrameOrder::Apart : FrameOrder::InOrder);
}

} // namespace velomira
