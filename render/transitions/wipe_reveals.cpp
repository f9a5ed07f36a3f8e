#include "render/transitions/wipe_reveals.h"

#include <algorithm>
#include <array>
#include <vector>

namespace velomira {

namespace {

// A rectangle cut from one picture and drawn at (toX, toY) of the frame.
using Piece = RgbBlock;

// A piece drawn where it was cut.
Piece inPlace(long width, long height, long x, long y) {
    return {width, height, x, y, x, y};
}

struct WipeFrame {
    std::vector<Piece> pieces;
    // The frame is the picture canvas itself; the working base is dropped.
    bool plainPicture = false;
};

enum class Layering {
    // Pieces of the picture accumulate on the previous frame, which becomes the result.
    PictureOverPrevious,
    // Every frame is a fresh copy of the picture with pieces of the previous frame on it.
    PreviousOverPicture,
};

struct WipePlan {
    Layering layering = Layering::PictureOverPrevious;
    std::vector<WipeFrame> frames;
};

// Cuts the piece from source and draws it onto target. A piece without area is skipped: a
// crop of zero width or height would take the full side instead.
void drawPiece(MagickWand* target, const MagickWand* source, const Piece& piece) {
    if (piece.width <= 0 || piece.height <= 0)
        return;
    Image cut(CloneMagickWand(source));
    if (!cut)
        return;
    MagickCropImage(cut.get(), static_cast<size_t>(piece.width), static_cast<size_t>(piece.height),
                    piece.fromX, piece.fromY);
    MagickCompositeImage(target, cut.get(), OverCompositeOp, piece.toX, piece.toY);
}

Image runPictureOverPrevious(EffectInputs& in, const WipePlan& plan) {
    Image base;
    TransitionPixels pixels;
    auto draw = [&](std::size_t i, FrameCanvas&) -> DrawnFrame {
        const WipeFrame& frame = plan.frames[i];
        if (frame.plainPicture) {
            in.previousFrame.reset(); // nothing of it shows any more
            pixels = TransitionPixels();
            base = clonePictureCanvas(in);
            return base.get();
        }
        if (!base) {
            base = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, base.get());
        }
        if (!base || !in.pictureCanvas)
            return nullptr;
        // The last frame is an image: it is held still and handed on.
        if (pixels.ready() && i + 1 < plan.frames.size()) {
            for (const Piece& piece : frame.pieces)
                copyBlock(pixels.picture, pixels.base, piece);
            return DrawnFrame::pixels(pixels.base.data());
        }
        pixels = TransitionPixels();
        for (const Piece& piece : frame.pieces)
            drawPiece(base.get(), in.pictureCanvas->get(), piece);
        return base.get();
    };
    return playTransition(in, plan.frames.size(), draw, base);
}

Image runPreviousOverPicture(EffectInputs& in, const WipePlan& plan) {
    Image previous;
    Image frameImage;
    TransitionPixels pixels;
    auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
        if (!previous) {
            previous = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, previous.get());
        }
        if (pixels.ready() && i + 1 < plan.frames.size()) {
            if (canvas.frame.bytes() != pixels.picture.bytes())
                return nullptr;
            copyFrame(pixels.picture, canvas.frame);
            for (const Piece& piece : plan.frames[i].pieces)
                copyBlock(pixels.base, canvas.frame, piece);
            return DrawnFrame::pixels(canvas.frame.data());
        }
        frameImage = clonePictureCanvas(in);
        if (!previous || !frameImage)
            return nullptr;
        for (const Piece& piece : plan.frames[i].pieces)
            drawPiece(frameImage.get(), previous.get(), piece);
        return frameImage.get();
    };
    return playTransition(in, plan.frames.size(), draw, frameImage, FrameOrder::Apart);
}

Image runWipe(EffectInputs& in, const WipePlan& plan) {
    return plan.layering == Layering::PictureOverPrevious ? runPictureOverPrevious(in, plan)
                                                          : runPreviousOverPicture(in, plan);
}

// ---- Growing reveals and shrinking windows --------------------------------------------------

enum class Extent { Width, Height };

// The frame size the rectangle rules work from.
struct FrameShape {
    int width;
    int height;
    float ratio; // H / W, single precision on purpose: the corner and centre shapes use it
};

using RectRule = Piece (*)(const FrameShape& f, int size);

int extentOf(Extent extent, int width, int height) {
    return extent == Extent::Width ? width : height;
}

// step, 2 step, ... below the extent, then the extent itself.
std::vector<int> growingSizes(int extent, int step) {
    std::vector<int> sizes;
    if (extent <= 0)
        return sizes;
    step = std::max(step, 1);
    for (int s = step; s < extent; s += step)
        sizes.push_back(s);
    sizes.push_back(extent);
    return sizes;
}

// extent - step, extent - 2 step, ... while above 0, then 0.
std::vector<int> shrinkingSizes(int extent, int step) {
    std::vector<int> sizes;
    if (extent <= 0)
        return sizes;
    step = std::max(step, 1);
    for (int d = extent - step; d > 0; d -= step)
        sizes.push_back(d);
    sizes.push_back(0);
    return sizes;
}

long lowerCornerHeight(const FrameShape& f, int s) {
    const float h = static_cast<float>(s) * f.ratio;
    return static_cast<long>(h + 0.1);
}
long lowerCornerTop(const FrameShape& f, int s) {
    const float h = static_cast<float>(s) * f.ratio;
    return static_cast<long>(static_cast<float>(f.height) - h + 0.1);
}
long upperHeight(const FrameShape& f, int s) {
    return static_cast<long>(static_cast<float>(s) * f.ratio);
}
long centredTop(const FrameShape& f, int s) {
    const float h = static_cast<float>(s) * f.ratio;
    return static_cast<long>((static_cast<float>(f.height) - h) * 0.5);
}

struct GrowingReveal {
    int index;
    Extent extent;
    RectRule piece;
};

// The new picture's rectangle at size s, drawn where it was cut.
constexpr std::array<GrowingReveal, 11> kGrowing{{
    {21, Extent::Width, [](const FrameShape& f, int s) { return inPlace(s, f.height, 0, 0); }},
    {24, Extent::Width,
     [](const FrameShape& f, int s) { return inPlace(s, f.height, f.width - s, 0); }},
    {22, Extent::Height, [](const FrameShape& f, int s) { return inPlace(f.width, s, 0, 0); }},
    {23, Extent::Height,
     [](const FrameShape& f, int s) { return inPlace(f.width, s, 0, f.height - s); }},
    {19, Extent::Width,
     [](const FrameShape& f, int s) { return inPlace(s, f.height, (f.width - s) >> 1, 0); }},
    {20, Extent::Height,
     [](const FrameShape& f, int s) { return inPlace(f.width, s, 0, (f.height - s) >> 1); }},
    {6, Extent::Width,
     [](const FrameShape& f, int s) { return inPlace(s, upperHeight(f, s), 0, 0); }},
    {10, Extent::Width,
     [](const FrameShape& f, int s) { return inPlace(s, upperHeight(f, s), f.width - s, 0); }},
    {8, Extent::Width,
     [](const FrameShape& f, int s) {
         return inPlace(s, lowerCornerHeight(f, s), 0, lowerCornerTop(f, s));
     }},
    {12, Extent::Width,
     [](const FrameShape& f, int s) {
         return inPlace(s, lowerCornerHeight(f, s), f.width - s, lowerCornerTop(f, s));
     }},
    {18, Extent::Width,
     [](const FrameShape& f, int s) {
         return inPlace(s, upperHeight(f, s), (f.width - s) >> 1, centredTop(f, s));
     }},
}};

struct ShrinkingWindow {
    int index;
    Extent extent;
    RectRule window;
};

// The window of the previous frame at size d, drawn where it was cut.
constexpr std::array<ShrinkingWindow, 3> kShrinking{{
    {2, Extent::Width,
     [](const FrameShape& f, int d) {
         return inPlace(d, upperHeight(f, d), (f.width - d) / 2, centredTop(f, d));
     }},
    {3, Extent::Width,
     [](const FrameShape& f, int d) { return inPlace(d, f.height, (f.width - d) / 2, 0); }},
    {4, Extent::Height,
     [](const FrameShape& f, int d) { return inPlace(f.width, d, 0, (f.height - d) / 2); }},
}};

FrameShape frameOf(int width, int height) {
    const double ratio = width > 0 ? static_cast<double>(height) / width : 0.0;
    return {width, height, static_cast<float>(ratio)};
}

WipePlan growingPlan(const GrowingReveal& rule, int width, int height, int step) {
    const FrameShape f = frameOf(width, height);
    const int extent = extentOf(rule.extent, width, height);
    WipePlan plan{Layering::PictureOverPrevious, {}};
    for (int s : growingSizes(extent, step)) {
        // At full size the whole picture is drawn, whatever the shape's rounding gives.
        const Piece piece = s == extent ? inPlace(width, height, 0, 0) : rule.piece(f, s);
        plan.frames.push_back({{piece}, false});
    }
    return plan;
}

WipePlan shrinkingPlan(const ShrinkingWindow& rule, int width, int height, int step) {
    const FrameShape f = frameOf(width, height);
    WipePlan plan{Layering::PreviousOverPicture, {}};
    for (int d : shrinkingSizes(extentOf(rule.extent, width, height), step)) {
        WipeFrame frame;
        if (d > 0)
            frame.pieces.push_back(rule.window(f, d));
        plan.frames.push_back(std::move(frame));
    }
    return plan;
}

// ---- Doors -----------------------------------------------------------------------------------

// The two doors of width w: the strips [half - w, half) and [half, half + w) of the source,
// drawn against the two outer edges. Left-right doors are columns, up-down doors rows.
std::vector<Piece> doorPieces(bool leftRight, int width, int height, int half, int w) {
    const int extent = leftRight ? width : height;
    auto strip = [&](int from, int to) {
        return leftRight ? Piece{w, height, from, 0, to, 0} : Piece{width, w, 0, from, 0, to};
    };
    return {strip(half - w, 0), strip(half, extent - w)};
}

struct DoorGeometry {
    int extent;
    int half;
    int step;
};

DoorGeometry doorGeometry(bool leftRight, int width, int height) {
    const int extent = std::max(leftRight ? width : height, 0);
    int step = extent / 30;
    if (step % 2 != 0)
        step += 1;
    return {extent, extent / 2, std::max(step, 1)};
}

// The previous picture splits in the middle and its halves slide out over the new picture.
WipePlan openingDoors(bool leftRight, int width, int height) {
    const DoorGeometry g = doorGeometry(leftRight, width, height);
    WipePlan plan{Layering::PreviousOverPicture, {}};
    if (g.extent <= 0)
        return plan;
    int n = g.half / g.step;
    if (g.extent % (2 * g.step) == 0)
        n -= 1; // the first door would cover the whole frame: no visible change
    for (int k = n; k >= 1; --k)
        plan.frames.push_back({doorPieces(leftRight, width, height, g.half, k * g.step), false});
    plan.frames.push_back({{}, true});
    return plan;
}

// The new picture's halves slide in from the edges over the previous picture and meet.
WipePlan closingDoors(bool leftRight, int width, int height) {
    const DoorGeometry g = doorGeometry(leftRight, width, height);
    WipePlan plan{Layering::PictureOverPrevious, {}};
    if (g.extent <= 0)
        return plan;
    int n = g.half / g.step;
    if (g.extent % (2 * g.step) != 0)
        n += 1;
    if (n <= 0)
        return plan;
    for (int k = 1; k <= n - 1; ++k)
        plan.frames.push_back({doorPieces(leftRight, width, height, g.half, k * g.step), false});
    plan.frames.push_back({{}, true});
    return plan;
}

// ---- Catalogue --------------------------------------------------------------------------------

WipePlan planFor(int index, int width, int height, int step) {
    for (const GrowingReveal& rule : kGrowing) {
        if (rule.index == index)
            return growingPlan(rule, width, height, step);
    }
    for (const ShrinkingWindow& rule : kShrinking) {
        if (rule.index == index)
            return shrinkingPlan(rule, width, height, step);
    }
    switch (index) {
    case 95:
        return openingDoors(true, width, height);
    case 96:
        return openingDoors(false, width, height);
    case 97:
        return closingDoors(true, width, height);
    case 98:
        return closingDoors(false, width, height);
    default:
        return {};
    }
}

} // namespace

Image wipeReveal(EffectInputs& in, const EffectParameter& parameter, int index) {
    return runWipe(in, planFor(index, in.width, in.height, parameter.step));
}

} // namespace velomira
