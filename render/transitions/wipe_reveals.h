#pragma once
// Wipe reveals: edges, bands, corners, centre and doors.
#include "render/effect_run.h"

namespace velomira {

// The wipe of the catalogue index 2 to 4, 6, 8, 10, 12, 18 to 24 or 95 to 98; no transition
// frames for any other index.
Image wipeReveal(EffectInputs& in, const EffectParameter& parameter, int index);

} // namespace velomira
