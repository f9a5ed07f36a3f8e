#pragma once
// The picture appears at once: no transition frames, only the still frames, with the caption
// shown at its final opacity from the first frame.
#include "render/effect_inputs.h"

namespace velomira {

Image noTransition(EffectInputs& in, const EffectParameter& parameter);

} // namespace velomira
