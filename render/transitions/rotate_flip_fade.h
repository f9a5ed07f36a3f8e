#pragma once
// Rotations, perspective flips and the cross-fade.
#include "render/effect_run.h"

namespace velomira {

// The effect of a catalogue index of this family; null for any other index.
TransitionEffect rotateFlipFadeEffect(int index);

} // namespace velomira
