#pragma once
// The still hold of a picture that has a camera motion: every held frame is a new view of the
// picture, drawn as 8-bit pixels and coded on other threads, with the caption over it.
#include "render/effect_inputs.h"

namespace velomira {

// Delivers in.stillFrames frames along in.motion's path and returns the last view (without
// its caption) as the next picture's previous frame; none after a failed delivery. After a
// transition the caption fades in over the first three frames as in a still hold; without
// one it shows at once. The previous frame is not touched.
Image holdInMotion(EffectInputs& in, bool afterTransition);

} // namespace velomira
