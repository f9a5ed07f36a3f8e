#include "render/effect_run.h"

#include "render/frame_encoding_queue.h"
#include "render/image/frame_encoding.h"
#include "render/motion_hold.h"
#include "render/transitions/no_transition.h"

#include <algorithm>

namespace velomira {

namespace {

bool send(FrameSink& sink, const EncodedFrame& blob, bool repeat) {
    if (!blob)
        return false;
    return repeat ? sink.repeatFrame(blob.bytes(), blob.length)
                  : sink.writeFrame(blob.bytes(), blob.length);
}

} // namespace

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
    pixels.picture = takeOpaqueRgb(in.pictureCanvas->get(), in.width, in.height);
    if (!pixels.picture.empty())
        pixels.base = takeOpaqueRgb(base, in.width, in.height);
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

Image playTransition(EffectInputs& in, std::size_t frames, const DrawFrame& draw,
                     Image& finalFrame) {
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
    DrawnFrame last;
    EncodedFrame blob;
    {
        FrameEncodingQueue queue(*in.sink, in.width, in.height, in.format, threads);
        for (std::size_t i = 0; i < frames; ++i) {
            last = draw(i);
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
