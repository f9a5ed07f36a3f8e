#pragma once
// Slides, pushes and flies.
#include "render/effect_run.h"

namespace velomira {

// Which way the moving picture travels.
enum class SlideMotion { LeftToRight, RightToLeft, TopToBottom, BottomToTop };

// The new picture enters and pushes the previous one out the other side.
Image push(EffectInputs& in, const EffectParameter& parameter, SlideMotion motion);
// The previous picture moves away and uncovers the still new picture.
Image slideOut(EffectInputs& in, const EffectParameter& parameter, SlideMotion motion);
// The new picture moves in over the still previous picture.
Image slideIn(EffectInputs& in, const EffectParameter& parameter, SlideMotion motion);

// The inner regions of the four quarters of the new picture fly in to the frame's corners, or
// those of the previous frame fly out from them.
Image flyIn(EffectInputs& in, const EffectParameter& parameter);
Image flyOut(EffectInputs& in, const EffectParameter& parameter);

} // namespace velomira
