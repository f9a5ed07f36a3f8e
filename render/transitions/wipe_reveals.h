#pragma once
// Wipe reveals: edges, bands, corners, centre and doors.
#include "render/effect_run.h"

namespace velomira {

// The effect of a catalogue index of this family; null for any other index.
TransitionEffect wipeRevealEffect(int index);

} // namespace velomira
