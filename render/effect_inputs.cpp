#include "render/effect_inputs.h"

#include "render/image/frame_encoding.h"

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

} // namespace velomira
