#include "render/transitions/zoom_transitions.h"

#include "render/image/frame_encoding.h"
#include "render/image/rgb_scaler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace velomira {

namespace {

// Where a scaled picture goes in a frame. A zero side means nothing is drawn (tiny frames).
struct Placement {
    int width = 0;
    int height = 0;
    long x = 0;
    long y = 0;

    bool visible() const { return width > 0 && height > 0; }
    // Whether every pixel of `inner` (an invisible one has none) lies within this one.
    bool covers(const Placement& inner) const {
        return !inner.visible() ||
               (visible() && x <= inner.x && y <= inner.y && x + width >= inner.x + inner.width &&
                y + height >= inner.y + inner.height);
    }
};

// H / W kept in single precision, as every size derived from it is.
float frameRatio(int width, int height) {
    return static_cast<float>(static_cast<double>(height) / static_cast<double>(width));
}

bool usableFrame(const EffectInputs& in) {
    return in.width > 0 && in.height > 0;
}

// No frame size to work with: the picture simply appears, as with no transition.
Image withoutFrames(EffectInputs& in) {
    Image none;
    return playTransition(in, 0, nullptr, none);
}

int atLeastOne(int step) {
    return std::max(step, 1);
}

void resizeInPlace(MagickWand* image, int width, int height) {
    MagickResizeImage(image, static_cast<std::size_t>(width), static_cast<std::size_t>(height),
                      LanczosFilter, 1.0);
}

// A copy of the picture scaled to the placement's size, drawn onto the frame at its position.
void drawScaled(MagickWand* frame, const Image& picture, const Placement& place) {
    if (!place.visible())
        return;
    Image scaled = cloneImage(picture);
    if (!scaled)
        return;
    resizeInPlace(scaled.get(), place.width, place.height);
    MagickCompositeImage(frame, scaled.get(), OverCompositeOp, place.x, place.y);
}

// The 8-bit counterpart of drawScaled: the picture scaled into `scaled` (resized to the
// placement), copied into the frame at its position.
bool drawScaled8(RgbScaler& scaler, RgbFrame& scaled, const RgbFrame& picture, RgbFrame& frame,
                 const Placement& place) {
    if (!place.visible())
        return true;
    if (!reshapeRgbFrame(scaled, place.width, place.height, scaler.pool()) ||
        !scaler.scale(picture.data(), picture.width, picture.height, scaled))
        return false;
    copyBlock(scaled, frame, {place.width, place.height, 0, 0, place.x, place.y});
    return true;
}

// ---- Centre zoom with the previous frame fading out (0, 1) ----

struct ZoomStep {
    int grow = 0;           // pixels added to the width
    double fadeOpacity = 0; // the previous frame's opacity over this frame; 0: not drawn
};

std::vector<ZoomStep> zoomSteps(const EffectParameter& parameter, bool growing) {
    int unit = parameter.step;
    if (unit % 2 != 0)
        ++unit; // an even step keeps the enlarged picture centred on whole pixels
    unit = atLeastOne(unit);
    const int count = parameter.count;
    std::vector<ZoomStep> steps;
    float fade = 10.0f;
    for (int i = 0; i <= count; ++i) {
        const int k = growing ? i : count - i;
        fade -= 1.5f;
        const double opacity = fade * 0.1;
        steps.push_back({k * unit, opacity > 0.1 ? opacity : 0.0});
    }
    return steps;
}

// The 8-bit counterpart of zoomedFrame: the picture enlarged by grow pixels in width (and in
// proportion in height), its centre in the frame.
bool zoomed8(RgbScaler& scaler, RgbFrame& enlarged, const RgbFrame& picture, RgbFrame& frame,
             int grow) {
    if (grow == 0) {
        copyFrame(picture, frame);
        return true;
    }
    const int width = picture.width;
    const int height = picture.height;
    const int newWidth = std::max(width + grow, 1);
    const float x =
        (static_cast<float>(height) / static_cast<float>(width)) * static_cast<float>(grow);
    const int whole = static_cast<int>(x);
    const float fraction = x - static_cast<float>(whole);
    const int newHeight = std::max(height + whole + (fraction >= 0.5f ? 1 : 0), 1);
    if (newWidth < width || newHeight < height)
        return false; // a shrunk copy leaves white margins: the library draws those
    if (!reshapeRgbFrame(enlarged, newWidth, newHeight, scaler.pool()) ||
        !scaler.scale(picture.data(), width, height, enlarged))
        return false;
    copyBlock(enlarged, frame,
              {width, height, (newWidth - width) / 2, (newHeight - height) / 2, 0, 0});
    return true;
}

} // namespace

Image centreZoom(EffectInputs& in, const EffectParameter& parameter, bool growing) {
    if (!usableFrame(in))
        return withoutFrames(in);
    const std::vector<ZoomStep> steps = zoomSteps(parameter, growing);
    Image previous = std::move(in.previousFrame);
    Image frame;
    // 8-bit: the picture and the previous frame (when there is one); frames on the canvas.
    RgbFrame picture, previous8;
    bool started = false;
    bool eightBit = false;
    auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
        if (!in.pictureCanvas)
            return nullptr;
        if (!started) {
            started = true;
            if (!in.libraryFrames) {
                FramePool* pool = framePoolOf(in);
                picture = takeOpaqueRgb(in.pictureCanvas->get(), in.width, in.height, pool);
                if (previous)
                    previous8 = takeOpaqueRgb(previous.get(), in.width, in.height, pool);
            }
            eightBit = !picture.empty() && (!previous || !previous8.empty());
        }
        const bool fading = previous && steps[i].fadeOpacity > 0;
        const bool last = i + 1 == steps.size();
        // The last frame is an image: it is held still and handed on. When it is the plain
        // picture it is a copy; an enlarged one (zooming in) is made from its 8-bit pixels.
        if (eightBit && (!last || steps[i].grow != 0)) {
            if (canvas.frame.empty() ||
                !zoomed8(canvas.scaler, canvas.scratch, picture, canvas.frame, steps[i].grow))
                return nullptr;
            if (fading)
                blendPercent(previous8.data(), canvas.frame.data(), canvas.frame.bytes(),
                             static_cast<int>(std::lround(steps[i].fadeOpacity * 100.0)),
                             canvas.frame.pixels.data());
            if (!last)
                return DrawnFrame::pixels(canvas.frame.data());
            frame = imageFromRgb24(canvas.frame.data(), in.width, in.height);
            return frame.get();
        }
        // At its own size the picture needs no resampling (a same-size Lanczos pass changes
        // nothing but costs a full-frame filter).
        frame = steps[i].grow == 0
                    ? clonePictureCanvas(in)
                    : zoomedFrame(in.width, in.height, *in.pictureCanvas, steps[i].grow);
        if (!frame)
            return nullptr;
        if (previous && steps[i].fadeOpacity > 0) {
            MagickSetImageOpacity(previous.get(), steps[i].fadeOpacity);
            MagickCompositeImage(frame.get(), previous.get(), OverCompositeOp, 0, 0);
        }
        return frame.get();
    };
    return playTransition(in, steps.size(), draw, frame, FrameOrder::Apart);
}

namespace {

// ---- The new picture grows over the previous frame (5, 7, 9, 11, 13 to 17) ----

// The top and bottom middles grow with the height; all others with the width.
bool growsWithHeight(GrowAnchor anchor) {
    return anchor == GrowAnchor::TopMiddle || anchor == GrowAnchor::BottomMiddle;
}

// step, 2 step, ... below the extent, then the extent itself: ceil(extent / step) sizes.
std::vector<int> growingSizes(int extent, int step) {
    step = atLeastOne(step);
    std::vector<int> sizes;
    for (int s = step; s < extent; s += step)
        sizes.push_back(s);
    if (extent > 0)
        sizes.push_back(extent);
    return sizes;
}

Placement growPlacement(GrowAnchor anchor, int s, int width, int height, float r) {
    if (growsWithHeight(anchor)) {
        const float w = static_cast<float>(s) / r;
        const long x = static_cast<long>((static_cast<float>(width) - w) * 0.5);
        const long y = anchor == GrowAnchor::TopMiddle ? 0 : height - s;
        return {static_cast<int>(w), s, x, y};
    }
    const float h = static_cast<float>(s) * r;
    const long bottom = static_cast<long>(static_cast<float>(height) - h);
    const long middle = static_cast<long>((static_cast<float>(height) - h) * 0.5);
    Placement place{s, static_cast<int>(h), 0, 0};
    switch (anchor) {
    case GrowAnchor::TopLeft:
        break;
    case GrowAnchor::BottomLeft:
        place.y = bottom;
        break;
    case GrowAnchor::TopRight:
        place.x = width - s;
        break;
    case GrowAnchor::BottomRight:
        place.x = width - s;
        place.y = bottom;
        break;
    case GrowAnchor::LeftMiddle:
        place.y = middle;
        break;
    case GrowAnchor::RightMiddle:
        place.x = width - s;
        place.y = middle;
        break;
    case GrowAnchor::Centre:
        place.x = (width - s) >> 1;
        place.y = middle;
        break;
    case GrowAnchor::TopMiddle:
    case GrowAnchor::BottomMiddle:
        break;
    }
    return place;
}

} // namespace

Image growOver(EffectInputs& in, const EffectParameter& parameter, GrowAnchor anchor) {
    if (!usableFrame(in))
        return withoutFrames(in);
    const int extent = growsWithHeight(anchor) ? in.height : in.width;
    const float r = frameRatio(in.width, in.height);
    std::vector<Placement> steps;
    for (int s : growingSizes(extent, parameter.step))
        steps.push_back(growPlacement(anchor, s, in.width, in.height, r));
    bool apart = true;
    for (std::size_t k = 1; k + 1 < steps.size(); ++k)
        apart = apart && steps[k].covers(steps[k - 1]);
    Image base;
    TransitionPixels pixels;
    auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
        if (i == 0) {
            base = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, base.get());
        }
        if (!base || !in.pictureCanvas)
            return nullptr;
        // The last frame is an image: the whole picture over the base, held still. Where each
        // copy covers the one before, an 8-bit frame is its scaled copy on a copy of the
        // previous frame; otherwise (rounding can leave an edge of the copy before uncovered)
        // the copies gather on the base.
        if (pixels.ready() && i + 1 < steps.size()) {
            RgbFrame& target = apart ? canvas.frame : pixels.base;
            if (apart) {
                if (canvas.frame.bytes() != pixels.base.bytes())
                    return nullptr;
                copyFrame(pixels.base, canvas.frame);
            }
            if (!drawScaled8(canvas.scaler, canvas.scratch, pixels.picture, target, steps[i]))
                return nullptr;
            return DrawnFrame::pixels(target.data());
        }
        if (i + 1 < steps.size())
            drawScaled(base.get(), *in.pictureCanvas, steps[i]);
        else
            MagickCompositeImage(base.get(), in.pictureCanvas->get(), OverCompositeOp, 0, 0);
        return base.get();
    };
    return playTransition(in, steps.size(), draw, base,
                          apart ? FrameOrder::Apart : FrameOrder::InOrder);
}

namespace {

// ---- The previous frame shrinks away over the new picture (66, 67, 68, 81 to 84) ----

// 66: d = extent - step, then the step is cut down to what is left so d ends on 0.
std::vector<int> evenShrinkSizes(int extent, int step) {
    step = atLeastOne(step);
    std::vector<int> sizes;
    for (int d = extent - step; d > 0;) {
        sizes.push_back(d);
        step = std::min(step, d);
        d -= step;
    }
    return sizes;
}

// 67, 68: like the even shrink, but the last full step is split into ever smaller ones.
std::vector<int> halvingShrinkSizes(int extent, int parameter) {
    const int p = atLeastOne(parameter);
    int t = p;
    std::vector<int> sizes;
    for (int d = extent - p; d > 0;) {
        sizes.push_back(d);
        if (d == t && t == p) {
            t = d >> 1;
            d = (d >> 2) + (d >> 1);
        } else if (d < t && t == p) {
            t = d >> 1;
            d = d >> 1;
        } else {
            t = atLeastOne(std::min(t, d));
            d -= t;
        }
    }
    return sizes;
}

// 81 to 84: 15 q, 14 q, ..., q.
std::vector<int> cornerShrinkSizes(int q) {
    q = atLeastOne(q);
    std::vector<int> sizes;
    for (int k = 15; k >= 1; --k)
        sizes.push_back(k * q);
    return sizes;
}

Placement shrinkPlacement(ShrinkKind kind, int d, int width, int height, float r) {
    const float h = static_cast<float>(d) * r;
    const float w = static_cast<float>(d) / r;
    const int scaledHeight = static_cast<int>(h);
    const int scaledWidth = static_cast<int>(w);
    switch (kind) {
    case ShrinkKind::Centre:
        return {d, scaledHeight, (width - d) / 2,
                static_cast<long>((static_cast<float>(height) - h) * 0.5)};
    case ShrinkKind::VerticalBand:
        return {d, height, (width - d) / 2, 0};
    case ShrinkKind::HorizontalBand:
        return {width, d, 0, (height - d) / 2};
    case ShrinkKind::TopLeft:
        return {d, scaledHeight, 0, 0};
    case ShrinkKind::BottomLeft:
        return {d, scaledHeight, 0, static_cast<long>(static_cast<float>(height) - h)};
    case ShrinkKind::TopRight:
        return {scaledWidth, d, static_cast<long>(static_cast<float>(width) - w), 0};
    case ShrinkKind::BottomRight:
        return {scaledWidth, d, static_cast<long>(static_cast<float>(width) - w), height - d};
    }
    return {};
}

std::vector<int> shrinkSizes(ShrinkKind kind, const EffectInputs& in, const EffectParameter& p) {
    switch (kind) {
    case ShrinkKind::Centre:
        return evenShrinkSizes(in.width, p.step);
    case ShrinkKind::VerticalBand:
        return halvingShrinkSizes(in.width, p.step);
    case ShrinkKind::HorizontalBand:
        return halvingShrinkSizes(in.height, p.step);
    case ShrinkKind::TopLeft:
    case ShrinkKind::BottomLeft:
        return cornerShrinkSizes(in.width / 16);
    case ShrinkKind::TopRight:
    case ShrinkKind::BottomRight:
        return cornerShrinkSizes(in.height / 16);
    }
    return {};
}

} // namespace

Image shrinkPrevious(EffectInputs& in, const EffectParameter& parameter, ShrinkKind kind) {
    if (!usableFrame(in))
        return withoutFrames(in);
    const float r = frameRatio(in.width, in.height);
    std::vector<Placement> steps;
    for (int d : shrinkSizes(kind, in, parameter))
        steps.push_back(shrinkPlacement(kind, d, in.width, in.height, r));
    Image previous;
    Image frame;
    TransitionPixels pixels;
    RgbFrame shrunk, smaller, frame8;
    RgbScaler scaler;
    scaler.usePool(framePoolOf(in));
    auto draw = [&](std::size_t i, FrameCanvas&) -> DrawnFrame {
        if (i == 0) {
            previous = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, previous.get());
            frame8 = makeRgbFrame(in.width, in.height, framePoolOf(in));
            if (pixels.ready())
                shrunk = std::move(pixels.base);
        }
        if (pixels.picture.empty() || shrunk.empty() || frame8.empty()) {
            pixels = TransitionPixels();
        } else if (i < steps.size()) {
            // Each frame shrinks the copy of the one before, as the library path does.
            copyFrame(pixels.picture, frame8);
            const Placement& place = steps[i];
            if (place.visible()) {
                if (!reshapeRgbFrame(smaller, place.width, place.height, framePoolOf(in)) ||
                    !scaler.scale(shrunk.data(), shrunk.width, shrunk.height, smaller))
                    return nullptr;
                std::swap(shrunk, smaller);
                copyBlock(shrunk, frame8, {place.width, place.height, 0, 0, place.x, place.y});
            }
            return DrawnFrame::pixels(frame8.data());
        }
        frame = clonePictureCanvas(in);
        if (!frame || !previous)
            return nullptr;
        // The previous frame is scaled in place: each frame shrinks the copy of the one before.
        if (i < steps.size() && steps[i].visible()) {
            resizeInPlace(previous.get(), steps[i].width, steps[i].height);
            MagickCompositeImage(frame.get(), previous.get(), OverCompositeOp, steps[i].x,
                                 steps[i].y);
        }
        return frame.get();
    };
    return playTransition(in, steps.size() + 1, draw, frame);
}

namespace {

// ---- A small picture moves in from an edge, then grows in the centre (89 to 92) ----

struct MoveStep {
    Placement place;
    bool approaching = false; // drawn on a copy of the base, which stays as it was
    bool last = false;        // the whole picture
};

std::vector<MoveStep> moveSteps(ApproachSide from, int width, int height) {
    int q = width / 12;
    if (q % 2 != 0)
        ++q;
    q = atLeastOne(q);
    const int n = width / q + (width % q != 0 ? 1 : 0);
    std::vector<MoveStep> steps;
    if (n <= 1)
        return steps;
    const float r = frameRatio(width, height);
    const int small = 2 * q;
    const float smallHeight = static_cast<float>(small) * r;
    const bool vertical = from == ApproachSide::FromTop || from == ApproachSide::FromBottom;
    const int extent = vertical ? height : width;
    // Six approach frames cover half the way from the edge to the far side.
    const float t = static_cast<float>((extent - small) * 0.5 / 6.0);
    const long x0 = (width - small) / 2;
    const long middle = static_cast<long>((static_cast<float>(height) - smallHeight) * 0.5);
    for (int i = 0; i <= 5; ++i) {
        const float moved = static_cast<float>(i) * t;
        Placement place{small, static_cast<int>(smallHeight), x0, middle};
        switch (from) {
        case ApproachSide::FromTop:
            place.y = static_cast<long>(moved);
            break;
        case ApproachSide::FromBottom:
            place.y = static_cast<long>(static_cast<float>(height) - smallHeight - moved);
            break;
        case ApproachSide::FromLeft:
            place.x = static_cast<long>(moved);
            break;
        case ApproachSide::FromRight:
            place.x = static_cast<long>(static_cast<float>(width - small) - moved);
            break;
        }
        steps.push_back({place, true, false});
    }
    for (int m = 2; m <= n - 1; ++m) {
        const int side = q * m;
        const float h = static_cast<float>(side) * r;
        steps.push_back({{side, static_cast<int>(h), (width - side) / 2,
                          static_cast<long>((static_cast<float>(height) - h) * 0.5)},
                         false,
                         false});
    }
    steps.push_back({{}, false, true});
    return steps;
}

} // namespace

Image moveInThenGrow(EffectInputs& in, const EffectParameter&, ApproachSide from) {
    if (!usableFrame(in))
        return withoutFrames(in);
    const std::vector<MoveStep> steps = moveSteps(from, in.width, in.height);
    Image base;
    Image small; // the approaching picture, scaled once
    Image frame; // an approach frame: a copy of the base with the small picture on it
    TransitionPixels pixels;
    RgbFrame small8, frame8, scaled;
    RgbScaler scaler;
    scaler.usePool(framePoolOf(in));
    auto draw = [&](std::size_t i, FrameCanvas&) -> DrawnFrame {
        if (i == 0) {
            base = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, base.get());
            frame8 = makeRgbFrame(in.width, in.height, framePoolOf(in));
            if (frame8.empty())
                pixels = TransitionPixels();
        }
        if (!base || !in.pictureCanvas)
            return nullptr;
        const MoveStep& step = steps[i];
        if (pixels.ready() && !step.last) {
            if (step.approaching) {
                if (i == 0 && step.place.visible()) {
                    small8 = makeRgbFrame(step.place.width, step.place.height, framePoolOf(in));
                    if (!scaler.scale(pixels.picture.data(), in.width, in.height, small8))
                        return nullptr;
                }
                copyFrame(pixels.base, frame8);
                copyBlock(small8, frame8,
                          {small8.width, small8.height, 0, 0, step.place.x, step.place.y});
                return DrawnFrame::pixels(frame8.data());
            }
            small8 = RgbFrame();
            frame8 = RgbFrame();
            if (drawScaled8(scaler, scaled, pixels.picture, pixels.base, step.place))
                return DrawnFrame::pixels(pixels.base.data());
            if (!importRgb(pixels.base, base.get()))
                return nullptr;
            pixels = TransitionPixels();
        }
        if (step.approaching) {
            if (i == 0 && step.place.visible()) {
                small = cloneImage(*in.pictureCanvas);
                if (small)
                    resizeInPlace(small.get(), step.place.width, step.place.height);
            }
            frame = cloneImage(base);
            if (!frame)
                return nullptr;
            if (small)
                MagickCompositeImage(frame.get(), small.get(), OverCompositeOp, step.place.x,
                                     step.place.y);
            return frame.get();
        }
        small.reset();
        frame.reset();
        if (step.last)
            MagickCompositeImage(base.get(), in.pictureCanvas->get(), OverCompositeOp, 0, 0);
        else
            drawScaled(base.get(), *in.pictureCanvas, step.place);
        return base.get();
    };
    return playTransition(in, steps.size(), draw, base);
}

} // namespace velomira
