#pragma once
// Zoom transitions: shrinking, growing from corners, edges and the centre.
#include "render/effect_run.h"

namespace velomira {

// The effect of a catalogue index of this family; null for any other index.
TransitionEffect zoomTransitionEffect(int index);

} // namespace velomira
