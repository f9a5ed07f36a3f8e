#pragma once
// From a picture's animationIndex to its effect and the effect's parameter: one row per named
// index.
#include "render/effect_run.h"

namespace velomira {

// How an effect's parameter follows from the frame size.
enum class ParameterRule {
    None,
    WidthDiv16,
    HeightDiv16,
    WidthDiv17,
    WidthDiv32,
    FixedInt,  // EffectParameter::step = the fixed value
    FixedReal, // EffectParameter::value = the fixed value
    ZoomSteps, // count 20, step trunc(W * 0.02)
};

// The file of render/transitions an effect comes from.
enum class TransitionFamily { Zoom, Wipe, Slide, ShapeReveal, RotateFlipFade, SweepBlindRaster };

struct TransitionDispatchEntry {
    int index;
    TransitionFamily family;
    ParameterRule rule;
    double fixed;
    TransitionEffect effect;
};

// The entry of an index 0..92 or 95..98; null for every other index (they have no transition).
const TransitionDispatchEntry* transitionEntry(int animationIndex);

// The effect of an index 0..92 or 95..98; null for every other index.
TransitionEffect transitionEffect(int animationIndex);

EffectParameter transitionParameter(const TransitionDispatchEntry& entry, int width, int height);

// Runs the effect of the index (the no-transition effect for 93, 94, 99 and every value
// outside 0..98) and returns its final frame: none in counting mode and after a failed
// delivery.
Image runTransition(int animationIndex, EffectInputs& inputs);

} // namespace velomira
