#include "render/transitions/slide_transitions.h"

#include <algorithm>
#include <array>
#include <vector>

namespace velomira {

namespace {

struct Offset {
    long x = 0;
    long y = 0;
};

bool isHorizontal(SlideMotion motion) {
    return motion == SlideMotion::LeftToRight || motion == SlideMotion::RightToLeft;
}

// The length of the travel: the frame side along the motion.
int extentOf(const EffectInputs& in, SlideMotion motion) {
    return isHorizontal(motion) ? in.width : in.height;
}

// Where a full-frame picture lands when moved `distance` pixels along the motion. Negative
// distances and distances beyond the frame are fine: the frame clips the picture.
Offset movedBy(SlideMotion motion, int distance) {
    switch (motion) {
    case SlideMotion::LeftToRight:
        return {distance, 0};
    case SlideMotion::RightToLeft:
        return {-distance, 0};
    case SlideMotion::TopToBottom:
        return {0, distance};
    case SlideMotion::BottomToTop:
        break;
    }
    return {0, -distance};
}

// The picture canvas, or null when the caller gave none.
MagickWand* pictureOf(const EffectInputs& in) {
    return in.pictureCanvas ? in.pictureCanvas->get() : nullptr;
}

// Frames can be drawn only on a real frame size; otherwise the effect has no steps.
bool hasArea(const EffectInputs& in) {
    return in.width > 0 && in.height > 0;
}

// A w x h region of a source image and the place in the frame where it is drawn.
struct Region {
    long x = 0, y = 0; // in the source
    long width = 0, height = 0;
    Offset at;
};

// Pixels in transit between two images, kept across frames to spare the allocation.
using Scratch = std::vector<unsigned short>;

// Clips the region to the source and to the frame; false when nothing is left of it.
bool clipRegion(Region& r, long sourceWidth, long sourceHeight, long frameWidth, long frameHeight) {
    auto clipAxis = [](long& from, long& to, long& length, long sourceEnd, long frameEnd) {
        const long lead = std::max({0L, -from, -to});
        from += lead;
        to += lead;
        length -= lead;
        length = std::min({length, sourceEnd - from, frameEnd - to});
        return length > 0;
    };
    return clipAxis(r.x, r.at.x, r.width, sourceWidth, frameWidth) &&
           clipAxis(r.y, r.at.y, r.height, sourceHeight, frameHeight);
}

// Draws the region of the source over the frame. The pictures of a slideshow are opaque, and
// an opaque source simply replaces what lies under it: the pixels are copied, which costs a
// small fraction of a composite. Where either image has an alpha channel, or the two differ in
// colourspace, the region is composited.
void drawRegion(Scratch& scratch, MagickWand* frame, MagickWand* source, Region r) {
    if (!clipRegion(r, static_cast<long>(MagickGetImageWidth(source)),
                    static_cast<long>(MagickGetImageHeight(source)),
                    static_cast<long>(MagickGetImageWidth(frame)),
                    static_cast<long>(MagickGetImageHeight(frame))))
        return;
    const bool plainCopy = MagickGetImageAlphaChannel(source) == MagickFalse &&
                           MagickGetImageAlphaChannel(frame) == MagickFalse &&
                           MagickGetImageColorspace(source) == MagickGetImageColorspace(frame);
    if (!plainCopy) {
        Image cut(CloneMagickWand(source));
        if (!cut)
            return;
        MagickCropImage(cut.get(), r.width, r.height, r.x, r.y);
        MagickCompositeImage(frame, cut.get(), OverCompositeOp, r.at.x, r.at.y);
        return;
    }
    scratch.resize(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height) * 3);
    if (MagickExportImagePixels(source, r.x, r.y, r.width, r.height, "RGB", ShortPixel,
                                scratch.data()) == MagickTrue)
        MagickImportImagePixels(frame, r.at.x, r.at.y, r.width, r.height, "RGB", ShortPixel,
                                scratch.data());
}

// Draws a whole picture at the offset; the frame clips it.
void drawAt(Scratch& scratch, MagickWand* frame, MagickWand* picture, Offset at) {
    drawRegion(scratch, frame, picture,
               {0, 0, static_cast<long>(MagickGetImageWidth(picture)),
                static_cast<long>(MagickGetImageHeight(picture)), at});
}

// A whole frame-sized picture drawn at the offset, as a block of pixels.
RgbBlock wholeAt(const EffectInputs& in, Offset at) {
    return {in.width, in.height, 0, 0, at.x, at.y};
}

// The frame that ends every effect of this family: an untouched copy of the picture canvas.
// The working images go first so that no more than needed is held while it is sent.
MagickWand* finishWith(const EffectInputs& in, Image& last, Image& workA, Image& workB) {
    workA.reset();
    workB.reset();
    last = clonePictureCanvas(in);
    return last.get();
}

// step, 2 step, ... while below the extent, then the extent itself: ceil(extent / step)
// sizes, the last one being the extent.
std::vector<int> growingSizes(int extent, int step) {
    step = std::max(step, 1);
    std::vector<int> sizes;
    for (long long s = step; s < extent; s += step)
        sizes.push_back(static_cast<int>(s));
    if (extent > 0)
        sizes.push_back(extent);
    return sizes;
}

// Distance the slides travel per frame: a seventeenth of the extent, made even, at least 1.
int travelStep(int extent) {
    int t = extent / 17;
    if (t % 2 != 0)
        ++t;
    return std::max(t, 1);
}

} // namespace

// ---- Push: the new picture enters and pushes the previous one out the other side.

Image push(EffectInputs& in, const EffectParameter& parameter, SlideMotion motion) {
    const int extent = hasArea(in) ? extentOf(in, motion) : 0;
    const std::vector<int> sizes = growingSizes(extent, parameter.step);
    // The picture that trails the motion is drawn first.
    const bool pictureFirst =
        motion == SlideMotion::LeftToRight || motion == SlideMotion::TopToBottom;
    Image previous, frame, last;
    Scratch scratch;
    TransitionPixels pixels;
    auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
        const int s = sizes[i];
        if (s >= extent) {
            pixels = TransitionPixels();
            return finishWith(in, last, frame, previous);
        }
        if (!previous) {
            previous = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, previous.get());
        }
        const Offset pictureAt = movedBy(motion, s - extent);
        const Offset previousAt = movedBy(motion, s);
        if (pixels.ready()) {
            if (canvas.frame.bytes() != pixels.base.bytes())
                return nullptr;
            // The two pictures lie side by side and cover the frame between them.
            copyBlock(pixels.picture, canvas.frame, wholeAt(in, pictureAt));
            copyBlock(pixels.base, canvas.frame, wholeAt(in, previousAt));
            return DrawnFrame::pixels(canvas.frame.data());
        }
        if (!frame)
            frame = makeCanvas(in.width, in.height, "#000000");
        MagickWand* picture = pictureOf(in);
        if (!frame || !previous || !picture)
            return nullptr;
        if (pictureFirst) {
            drawAt(scratch, frame.get(), picture, pictureAt);
            drawAt(scratch, frame.get(), previous.get(), previousAt);
        } else {
            drawAt(scratch, frame.get(), previous.get(), previousAt);
            drawAt(scratch, frame.get(), picture, pictureAt);
        }
        return frame.get();
    };
    return playTransition(in, sizes.size(), draw, last, FrameOrder::Apart);
}

namespace {

// The two shapes the slides and flies share. Each plays `steps` frames and then the picture
// itself; `active` false (an empty frame) means no transition at all.

// The regions of the moving picture that a frame shows, from the frame's step.
using RegionsOf = std::vector<Region> (*)(int width, int height, SlideMotion motion, int step);

void drawRegions(Scratch& scratch, MagickWand* frame, MagickWand* source,
                 const std::vector<Region>& regions) {
    for (const Region& region : regions)
        drawRegion(scratch, frame, source, region);
}

void copyRegions(const RgbFrame& source, RgbFrame& frame, const std::vector<Region>& regions) {
    for (const Region& r : regions)
        copyBlock(source, frame, {r.width, r.height, r.x, r.y, r.at.x, r.at.y});
}

// The previous picture, placed by its regions, over a fresh copy of the still new picture.
Image playOverPicture(EffectInputs& in, const std::vector<int>& steps, bool active,
                      SlideMotion motion, RegionsOf regionsOf) {
    Image previous, frame, last;
    Scratch scratch;
    TransitionPixels pixels;
    auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
        if (i == steps.size()) {
            pixels = TransitionPixels();
            return finishWith(in, last, frame, previous);
        }
        if (!previous) {
            previous = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, previous.get());
        }
        const std::vector<Region> regions = regionsOf(in.width, in.height, motion, steps[i]);
        if (pixels.ready()) {
            if (canvas.frame.bytes() != pixels.picture.bytes())
                return nullptr;
            copyFrame(pixels.picture, canvas.frame);
            copyRegions(pixels.base, canvas.frame, regions);
            return DrawnFrame::pixels(canvas.frame.data());
        }
        frame = clonePictureCanvas(in);
        if (!frame || !previous)
            return nullptr;
        drawRegions(scratch, frame.get(), previous.get(), regions);
        return frame.get();
    };
    return playTransition(in, active ? steps.size() + 1 : 0, draw, last, FrameOrder::Apart);
}

// The new picture, placed by its regions, gathering on the previous frame (ours, so it serves
// directly as the base).
Image playOntoBase(EffectInputs& in, const std::vector<int>& steps, bool active, SlideMotion motion,
                   RegionsOf regionsOf) {
    Image base, last, unused;
    Scratch scratch;
    TransitionPixels pixels;
    auto draw = [&](std::size_t i, FrameCanvas&) -> DrawnFrame {
        if (i == steps.size()) {
            pixels = TransitionPixels();
            return finishWith(in, last, base, unused);
        }
        if (!base) {
            base = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, base.get());
        }
        const std::vector<Region> regions = regionsOf(in.width, in.height, motion, steps[i]);
        if (pixels.ready()) {
            copyRegions(pixels.picture, pixels.base, regions);
            return DrawnFrame::pixels(pixels.base.data());
        }
        MagickWand* picture = pictureOf(in);
        if (!base || !picture)
            return nullptr;
        drawRegions(scratch, base.get(), picture, regions);
        return base.get();
    };
    return playTransition(in, active ? steps.size() + 1 : 0, draw, last);
}

std::vector<Region> movedWhole(int width, int height, SlideMotion motion, int distance) {
    return {{0, 0, width, height, movedBy(motion, distance)}};
}

} // namespace

// ---- Slide out: the previous picture moves away and uncovers the still new picture.

Image slideOut(EffectInputs& in, const EffectParameter&, SlideMotion motion) {
    const int extent = hasArea(in) ? extentOf(in, motion) : 0;
    const int t = travelStep(extent);
    const int n = extent / t - (extent % t == 0 ? 1 : 0);
    std::vector<int> distances; // how far the previous picture has moved, frame by frame
    for (int k = n; k >= 1; --k)
        distances.push_back(extent - k * t);
    return playOverPicture(in, distances, extent > 0, motion, movedWhole);
}

// ---- Slide in: the new picture moves in over the still previous picture.

Image slideIn(EffectInputs& in, const EffectParameter&, SlideMotion motion) {
    const int extent = hasArea(in) ? extentOf(in, motion) : 0;
    const int t = travelStep(extent);
    const int n = extent / t + (extent % t != 0 ? 1 : 0);
    std::vector<int> distances; // the picture's offset from its final place, against the motion
    for (int k = 1; k < n; ++k)
        distances.push_back(k * t - extent);
    return playOntoBase(in, distances, n > 0, motion, movedWhole);
}

namespace {

// ---- Fly in and out: the inner regions of the four quarters shown at the frame's corners.

// The four w x trunc(w * r) regions touching the centre, each placed at its outer corner.
std::array<Region, 4> quarterPieces(int width, int height, int w) {
    const float r = static_cast<float>(height) / static_cast<float>(width);
    const long halfW = width / 2, halfH = height / 2;
    const float wr = static_cast<float>(w) * r;
    const long h = static_cast<long>(wr);
    const long upper = static_cast<long>(static_cast<float>(halfH) - wr);
    const long bottom = static_cast<long>(static_cast<float>(height) - wr);
    return {{
        {halfW - w, upper, w, h, {0, 0}},
        {halfW - w, halfH, w, h, {0, bottom}},
        {halfW, upper, w, h, {width - w, 0}},
        {halfW, halfH, w, h, {width - w, bottom}},
    }};
}

std::vector<Region> quarters(int width, int height, SlideMotion, int pieceWidth) {
    const std::array<Region, 4> pieces = quarterPieces(width, height, pieceWidth);
    return {pieces.begin(), pieces.end()};
}

// The piece step: W/32 made even (odd values below 3 go up, others down), at least 1.
int flyStep(int parameter) {
    int p = parameter;
    if (p % 2 != 0)
        p = p < 3 ? p + 1 : p - 1;
    return std::max(p, 1);
}

} // namespace

Image flyIn(EffectInputs& in, const EffectParameter& parameter) {
    const int p = flyStep(parameter.step);
    const int width = hasArea(in) ? in.width : 0;
    const int n = (width / p) / 2 + (width % (2 * p) != 0 ? 1 : 0);
    std::vector<int> widths;
    for (int k = 1; k < n; ++k)
        widths.push_back(k * p);
    return playOntoBase(in, widths, n > 0, SlideMotion{}, quarters);
}

Image flyOut(EffectInputs& in, const EffectParameter& parameter) {
    const int p = flyStep(parameter.step);
    const int width = hasArea(in) ? in.width : 0;
    const int n = (width / p) / 2 - (width % (2 * p) == 0 ? 1 : 0);
    std::vector<int> widths;
    for (int k = n; k >= 1; --k)
        widths.push_back(k * p);
    return playOverPicture(in, widths, width > 0, SlideMotion{}, quarters);
}

} // namespace velomira
