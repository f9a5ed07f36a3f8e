#pragma once
// Clock sweeps, the windmill, blinds and raster steps.
#include "render/effect_run.h"

namespace velomira {

// The effect of a catalogue index of this family; null for any other index.
TransitionEffect sweepBlindRasterEffect(int index);

} // namespace velomira
