#pragma once
// Shape reveals: circles, corners, diagonals, diamonds, X, arrows and scans.
#include "render/effect_run.h"
#include "render/transitions/mask_drawing.h"

namespace velomira {

// The drawn mask reveal of an index of shapeRevealMasks, and the corner reveal of an index of
// cornerRectangles.
Image shapeReveal(EffectInputs& in, const EffectParameter& parameter, int index);
Image cornerReveal(EffectInputs& in, const EffectParameter& parameter, int index);

// The drawn masks of the indexes 25, 26, 51 to 56, 58, 59, 64, 65 and 73 to 80 on a
// width x height frame; no frames for any other index or size.
MaskSequence shapeRevealMasks(int index, int width, int height, const EffectParameter& parameter);

// The corner rectangles of the indexes 37 and 38; no frames for any other index or size.
RectSequence cornerRectangles(int index, int width, int height, const EffectParameter& parameter);

} // namespace velomira
