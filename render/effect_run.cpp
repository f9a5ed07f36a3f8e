#include "render/effect_run.h"

#include "render/frame_encoding_queue.h"
#include "render/image/frame_encoding.h"
#include "render/motion_hold.h"
#include "render/transitions/no_transition.h"

#include <algorithm>
#include <vector>

namespace velomira {

TransitionPixels takeTransitionPixels(const EffectInputs& in, MagickWand* base) {
    TransitionPixels pixels;
    if (in.libraryFrames || !in.pictureCanvas || !base)
        return pixels;
    FramePool* pool = framePoolOf(in);
    pixels.picture = takeOpaqueRgb(in.pictureCanvas->get(), in.width, in.height, pool);
    if (!pixels.picture.empty())
        pixels.base = takeOpaqueRgb(base, in.width, in.height, pool);
    return pixels;
}

namespace {

int codingThreadsFor(const EffectInputs& in) {
    // A preview logo is drawn by the library, which stays on this thread.
    if (in.logo)
        return 1;
    return in.codingThreads > 0 ? in.codingThreads : frameEncodingThreads();
}

// The memory the frames are drawn with: one canvas for this thread and one for each job slot.
// They outlive the coding queue, which waits for its jobs, and the last frame drawn on this
// thread stays in its canvas for the hold.
struct TransitionCanvases {
    FrameCanvas own;
    std::vector<FrameCanvas> slots;

    TransitionCanvases(const EffectInputs& in, int threads)
        : slots(static_cast<std::size_t>(threads)) {
        FramePool* pool = framePoolOf(in);
        own.scaler.usePool(pool);
        own.frame = makeRgbFrame(in.width, in.height, pool);
        for (FrameCanvas& c : slots)
            c.scaler.usePool(pool);
    }
};

// Draws and delivers the transition frames. `last` is the frame drawn last and `blob` the bytes
// delivered last; false after a failed drawing or delivery.
bool deliverTransition(EffectInputs& in, std::size_t frames, const DrawFrame& draw,
                       FrameOrder order, int threads, TransitionCanvases& canvases,
                       DrawnFrame& last, EncodedFrame& blob) {
    FramePool* pool = framePoolOf(in);
    FrameEncodingQueue queue(*in.sink, in.width, in.height, in.format, threads, pool);
    auto drawApart = [&](std::size_t i) {
        return [&, i](std::size_t slot) {
            FrameCanvas& mine = canvases.slots[slot];
            if (mine.frame.empty())
                mine.frame = makeRgbFrame(in.width, in.height, pool);
            const DrawnFrame drawn = mine.frame.empty() ? DrawnFrame() : draw(i, mine);
            return drawn.rgb && !drawn.image
                       ? encodeRgb24(drawn.rgb, in.width, in.height, in.format, pool)
                       : EncodedFrame();
        };
    };
    bool apart = false;
    for (std::size_t i = 0; i < frames; ++i) {
        if (apart && i + 1 < frames) {
            if (!queue.pushJob(drawApart(i)))
                return false;
            continue;
        }
        // The last frame may take down what the frames drawn apart read.
        if (apart && !queue.drain())
            return false;
        last = draw(i, canvases.own);
        if (!last)
            return false;
        const bool queued =
            last.image || in.logo
                ? queue.pushEncoded(
                      last.image ? encodeFrame(last.image, in.logo, in.format)
                                 : encodeFrame(last.rgb, in.width, in.height, in.logo, in.format))
                : queue.pushPixels(last.rgb);
        if (!queued)
            return false;
        apart = apart || (i == 0 && order == FrameOrder::Apart && threads > 1 && !in.logo &&
                          last.rgb && !last.image);
    }
    if (!queue.drain())
        return false;
    blob = queue.takeLastDelivered();
    return true;
}

} // namespace

Image playTransition(EffectInputs& in, std::size_t frames, const DrawFrame& draw, Image& finalFrame,
                     FrameOrder order) {
    if (frames == 0)
        return noTransition(in, EffectParameter{});
    if (in.counting()) {
        *in.frameCountOut = static_cast<int>(frames) + stillFrameCount(in.stillFrames);
        return Image();
    }
    if (!in.sink)
        return Image();
    const int threads = codingThreadsFor(in);
    TransitionCanvases canvases(in, threads);
    DrawnFrame last;
    EncodedFrame blob;
    if (!deliverTransition(in, frames, draw, order, threads, canvases, last, blob))
        return Image();
    if (in.motion)
        return holdInMotion(in, true);
    // The caption fade-in composes onto an image; a frame drawn as pixels only becomes one.
    Image held;
    if (!last.image && in.caption && in.stillFrames > 0) {
        held = imageFromRgb24(last.rgb, in.width, in.height);
        if (!held)
            return Image();
        last.image = held.get();
    }
    if (!holdStill(*in.sink, std::move(blob), in.stillFrames, last.image, in.caption, in.logo,
                   in.format))
        return Image();
    return std::move(finalFrame);
}

} // namespace velomira
