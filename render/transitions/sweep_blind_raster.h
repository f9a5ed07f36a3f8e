#pragma once
// Clock sweeps, the windmill, blinds and raster steps.
#include "render/effect_run.h"
#include "render/transitions/mask_drawing.h"

namespace velomira {

// The sweep of an index of clockSweepMasks, and the blind or raster of an index of
// blindRasterRects.
Image clockSweep(EffectInputs& in, const EffectParameter& parameter, int index);
Image blindRaster(EffectInputs& in, const EffectParameter& parameter, int index);

// The sectors of the clock sweeps (32 to 36) and the windmill (57) on a width x height frame;
// no frames for any other index or size, or for an angle step that is not positive.
MaskSequence clockSweepMasks(int index, int width, int height, const EffectParameter& parameter);

// The rectangles of the raster steps (41 to 44) and the blinds (49, 50); no frames for any
// other index or size.
RectSequence blindRasterRects(int index, int width, int height, const EffectParameter& parameter);

} // namespace velomira
