#include "render/motion_hold.h"

#include "render/camera_motion.h"
#include "render/frame_encoding_queue.h"
#include "render/image/frame_encoding.h"

#include <algorithm>
#include <vector>

namespace velomira {

namespace {

// The caption's opacity is set on the frames where a still hold sets it, to the same values,
// so a moving picture's caption looks as it does over a still one.
void setCaptionOpacity(CaptionOverlay& caption, int frame, bool afterTransition) {
    if (caption.keepOpacity != 0)
        return;
    if (afterTransition && frame <= 2)
        MagickSetImageOpacity(caption.image.get(), 0.35 + 0.25 * frame);
    else if (!afterTransition && frame == 0)
        MagickSetImageOpacity(caption.image.get(), 0.85);
}

} // namespace

Image holdInMotion(EffectInputs& in, bool afterTransition) {
    if (!in.motion || !in.sink)
        return Image();
    const MotionPicture& picture = *in.motion;
    const int frames = stillFrameCount(in.stillFrames);
    RgbFrame frame = makeRgbFrame(in.width, in.height);
    if (frame.empty())
        return Image();
    // The caption and a preview logo are laid on in 8-bit here, so every frame, preview ones
    // included, is coded on other threads.
    const int threads = in.codingThreads > 0 ? in.codingThreads : frameEncodingThreads();
    FrameEncodingQueue queue(*in.sink, in.width, in.height, in.format, threads);
    RgbResampler resampler;
    std::vector<unsigned char> scratch;
    Image last;
    for (int i = 0; i < frames; ++i) {
        const CameraView view = viewAt(picture.path, holdProgress(i, frames, afterTransition));
        if (!drawCameraView(picture, view, resampler, frame))
            return Image();
        if (i == frames - 1) {
            last = imageFromRgb24(frame.data(), frame.width, frame.height);
            if (!last)
                return Image();
        }
        if (in.caption && in.caption->image) {
            setCaptionOpacity(*in.caption, i, afterTransition);
            composeImageOver(in.caption->image.get(), static_cast<long>(in.caption->x),
                             static_cast<long>(in.caption->y), frame, scratch);
        }
        if (in.logo && in.logo->image)
            composeImageOver(in.logo->image.get(), in.logo->x, in.logo->y, frame, scratch);
        if (!queue.pushPixels(frame.data()))
            return Image();
    }
    if (!queue.drain())
        return Image();
    return last;
}

} // namespace velomira
