#pragma once
// Shape reveals: circles, corners, diagonals, diamonds, X, arrows and scans.
#include "render/effect_run.h"

namespace velomira {

// The effect of a catalogue index of this family; null for any other index.
TransitionEffect shapeRevealEffect(int index);

} // namespace velomira
