#pragma once
// Slides, pushes and flies.
#include "render/effect_run.h"

namespace velomira {

// The effect of a catalogue index of this family; null for any other index.
TransitionEffect slideTransitionEffect(int index);

} // namespace velomira
