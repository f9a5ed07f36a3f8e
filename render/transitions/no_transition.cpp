#include "render/transitions/no_transition.h"

#include "render/motion_hold.h"

namespace velomira {

Image noTransition(EffectInputs& in, const EffectParameter&) {
    if (in.counting()) {
        *in.frameCountOut = stillFrameCount(in.stillFrames);
        return Image();
    }
    in.previousFrame.reset(); // nothing leads from it
    if (in.motion)
        return holdInMotion(in, false);
    Image result = clonePictureCanvas(in);
    if (!result || !in.sink)
        return Image();
    if (in.stillFrames <= 0)
        return result;
    EncodedFrame blob = in.caption
                            ? composeCaption(result.get(), *in.caption, 0.65, in.logo, in.format)
                            : encodeFrame(result.get(), in.logo, in.format);
    for (int i = 0; i < in.stillFrames; ++i) {
        bool delivered = blob && (i == 0 ? in.sink->writeFrame(blob.bytes(), blob.length)
                                         : in.sink->repeatFrame(blob.bytes(), blob.length));
        if (!delivered)
            return Image();
    }
    return result;
}

} // namespace velomira
