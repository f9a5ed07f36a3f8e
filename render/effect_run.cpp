#include "render/effect_run.h"

#include "render/frame_encoding_queue.h"
#include "render/image/frame_encoding.h"
#include "render/motion_hold.h"
#include "render/transitions/no_transition.h"

#include <algorithm>
#include <vector>

namespace velomira {

namespace {

bool send(FrameSink& sink, const EncodedFrame& blob, bool repeat) {
    if (!blob)
        return false;
    return repeat ? sink.repeatFrame(blob.bytes(), blob.length)
                  : sink.writeFrame(blob.bytes(), blob.length);
}

} // namespace

FramePool* framePoolOf(const EffectInputs& in) {
    return in.sink ? in.sink->framePool() : nullptr;
}

int stillFrameCount(int stillFrames) {
    return std::max(stillFrames, 0);
}

Image takeBaseFrame(EffectInputs& in) {
    if (in.previousFrame)
        return std::move(in.previousFrame);
    return makeCanvas(in.width, in.height, "#000000");
}

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

Image clonePictureCanvas(const EffectInputs& in) {
    return in.pictureCanvas ? cloneImage(*in.pictureCanvas) : Image();
}

EncodedFrame composeCaption(MagickWand* frame, CaptionOverlay& caption, double baseOpacity,
                            const PreviewLogo* logo, FrameFormat format) {
    Image copy(CloneMagickWand(frame));
    if (!copy)
        return EncodedFrame();
    if (caption.image) {
        if (caption.keepOpacity == 0)
            MagickSetImageOpacity(caption.image.get(), baseOpacity + 0.2);
        MagickCompositeImage(copy.get(), caption.image.get(), OverCompositeOp,
                             static_cast<long>(caption.x), static_cast<long>(caption.y));
    }
    return encodeFrame(copy.get(), logo, format);
}

bool holdStill(FrameSink& sink, EncodedFrame blob, int stillFrames, MagickWand* finalFrame,
               CaptionOverlay* caption, const PreviewLogo* logo, FrameFormat format) {
    for (int i = 0; i < stillFrames; ++i) {
        const bool fading = caption && i <= 2;
        if (fading)
            blob = composeCaption(finalFrame, *caption, 0.15 + 0.25 * i, logo, format);
        if (!send(sink, blob, !fading))
            return false;
    }
    return true;
}

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
    // A preview logo is drawn by the library, which stays on this thread.
    const int threads = in.logo                ? 1
                        : in.codingThreads > 0 ? in.codingThreads
                                               : frameEncodingThreads();
    // One canvas for this thread and one for each job slot; they outlive the queue, which waits
    // for its jobs.
    FramePool* pool = framePoolOf(in);
    FrameCanvas canvas;
    canvas.scaler.usePool(pool);
    canvas.frame = makeRgbFrame(in.width, in.height, pool);
    std::vector<FrameCanvas> canvases(static_cast<std::size_t>(threads));
    for (FrameCanvas& c : canvases)
        c.scaler.usePool(pool);
    DrawnFrame last;
    EncodedFrame blob;
    {
        FrameEncodingQueue queue(*in.sink, in.width, in.height, in.format, threads, pool);
        auto drawApart = [&](std::size_t i) {
            return [&, i](std::size_t slot) {
                FrameCanvas& own = canvases[slot];
                if (own.frame.empty())
                    own.frame = makeRgbFrame(in.width, in.height, pool);
                const DrawnFrame drawn = own.frame.empty() ? DrawnFrame() : draw(i, own);
                return drawn.rgb && !drawn.image
                           ? encodeRgb24(drawn.rgb, in.width, in.height, in.format, pool)
                           : EncodedFrame();
            };
        };
        bool apart = false;
        for (std::size_t i = 0; i < frames; ++i) {
            if (apart && i + 1 < frames) {
                if (!queue.pushJob(drawApart(i)))
                    return Image();
                continue;
            }
            // The last frame may take down what the frames drawn apart read.
            if (apart && !queue.drain())
                return Image();
            last = draw(i, canvas);
            if (!last)
                return Image();
            const bool queued =
                last.image || in.logo
                    ? queue.pushEncoded(last.image ? encodeFrame(last.image, in.logo, in.format)
                                                   : encodeFrame(last.rgb, in.width, in.height,
                                                                 in.logo, in.format))
                    : queue.pushPixels(last.rgb);
            if (!queued)
                return Image();
            apart = apart || (i == 0 && order == FrameOrder::Apart && threads > 1 && !in.logo &&
                              last.rgb && !last.image);
        }
        if (!queue.drain())
            return Image();
        blob = queue.takeLastDelivered();
    }
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
