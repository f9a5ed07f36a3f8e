#pragma once
// Rotations, perspective flips and the cross-fade.
#include "render/effect_run.h"

namespace velomira {

// The previous frame laid over the new picture at falling opacity.
Image crossFade(EffectInputs& in, const EffectParameter& parameter);

// The new picture turns in growing over the previous frame, or the previous frame turns out
// shrinking over the new picture.
Image spin(EffectInputs& in, const EffectParameter& parameter, bool grow, bool clockwise);

// The edge the new picture swings in around.
enum class FlipHinge { Left, Right, Top, Bottom };
Image flipIn(EffectInputs& in, const EffectParameter& parameter, FlipHinge side);

} // namespace velomira
