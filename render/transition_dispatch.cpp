#include "render/transition_dispatch.h"

#include "render/transitions/no_transition.h"
#include "render/transitions/rotate_flip_fade.h"
#include "render/transitions/shape_reveals.h"
#include "render/transitions/slide_transitions.h"
#include "render/transitions/sweep_blind_raster.h"
#include "render/transitions/wipe_reveals.h"
#include "render/transitions/zoom_transitions.h"

#include <array>

namespace velomira {

namespace {

using R = ParameterRule;

// Parameters by index.
constexpr std::array<TransitionDispatchEntry, 97> kTable{{
    {0, R::ZoomSteps, 0},     {1, R::ZoomSteps, 0},     {2, R::WidthDiv16, 0},
    {3, R::WidthDiv16, 0},    {4, R::HeightDiv16, 0},   {5, R::WidthDiv16, 0},
    {6, R::WidthDiv16, 0},    {7, R::WidthDiv16, 0},    {8, R::WidthDiv16, 0},
    {9, R::WidthDiv16, 0},    {10, R::WidthDiv16, 0},   {11, R::WidthDiv16, 0},
    {12, R::WidthDiv16, 0},   {13, R::WidthDiv16, 0},   {14, R::HeightDiv16, 0},
    {15, R::WidthDiv16, 0},   {16, R::HeightDiv16, 0},  {17, R::WidthDiv17, 0},
    {18, R::WidthDiv16, 0},   {19, R::WidthDiv16, 0},   {20, R::HeightDiv16, 0},
    {21, R::WidthDiv16, 0},   {22, R::HeightDiv16, 0},  {23, R::HeightDiv16, 0},
    {24, R::WidthDiv16, 0},   {25, R::WidthDiv16, 0},   {26, R::WidthDiv16, 0},
    {27, R::WidthDiv16, 0},   {28, R::WidthDiv16, 0},   {29, R::HeightDiv16, 0},
    {30, R::HeightDiv16, 0},  {31, R::FixedInt, 6},     {32, R::FixedReal, 19.8},
    {33, R::FixedReal, 11.0}, {34, R::FixedReal, 19.8}, {35, R::FixedReal, 19.8},
    {36, R::FixedReal, 19.8}, {37, R::WidthDiv32, 0},   {38, R::WidthDiv32, 0},
    {39, R::WidthDiv32, 0},   {40, R::WidthDiv32, 0},   {41, R::FixedInt, 16},
    {42, R::FixedInt, 16},    {43, R::FixedInt, 16},    {44, R::FixedInt, 16},
    {45, R::None, 0},         {46, R::None, 0},         {47, R::None, 0},
    {48, R::None, 0},         {49, R::FixedInt, 14},    {50, R::FixedInt, 14},
    {51, R::None, 0},         {52, R::None, 0},         {53, R::None, 0},
    {54, R::None, 0},         {55, R::None, 0},         {56, R::None, 0},
    {57, R::FixedReal, 5.45}, {58, R::WidthDiv32, 0},   {59, R::WidthDiv32, 0},
    {60, R::None, 0},         {61, R::None, 0},         {62, R::None, 0},
    {63, R::None, 0},         {64, R::None, 0},         {65, R::None, 0},
    {66, R::WidthDiv17, 0},   {67, R::WidthDiv16, 0},   {68, R::HeightDiv16, 0},
    {69, R::None, 0},         {70, R::None, 0},         {71, R::None, 0},
    {72, R::None, 0},         {73, R::None, 0},         {74, R::None, 0},
    {75, R::None, 0},         {76, R::None, 0},         {77, R::None, 0},
    {78, R::None, 0},         {79, R::None, 0},         {80, R::None, 0},
    {81, R::None, 0},         {82, R::None, 0},         {83, R::None, 0},
    {84, R::None, 0},         {85, R::None, 0},         {86, R::None, 0},
    {87, R::None, 0},         {88, R::None, 0},         {89, R::None, 0},
    {90, R::None, 0},         {91, R::None, 0},         {92, R::None, 0},
    {95, R::None, 0},         {96, R::None, 0},         {97, R::None, 0},
    {98, R::None, 0},
}};

} // namespace

const TransitionDispatchEntry* transitionEntry(int animationIndex) {
    // The index is taken as unsigned: negative values are as unmapped as 150.
    const unsigned index = static_cast<unsigned>(animationIndex);
    if (index <= 92)
        return &kTable[index];
    if (index >= 95 && index <= 98)
        return &kTable[index - 2];
    return nullptr;
}

EffectParameter transitionParameter(const TransitionDispatchEntry& entry, int width, int height) {
    EffectParameter p;
    switch (entry.rule) {
    case R::None:
        break;
    case R::WidthDiv16:
        p.step = width / 16;
        break;
    case R::HeightDiv16:
        p.step = height / 16;
        break;
    case R::WidthDiv17:
        p.step = width / 17;
        break;
    case R::WidthDiv32:
        p.step = width / 32;
        break;
    case R::FixedInt:
        p.step = static_cast<int>(entry.fixed);
        break;
    case R::FixedReal:
        p.value = entry.fixed;
        break;
    case R::ZoomSteps:
        p.count = 20;
        p.step = static_cast<int>(width * 0.02);
        break;
    }
    return p;
}

TransitionEffect transitionEffect(int animationIndex) {
    if (!transitionEntry(animationIndex))
        return nullptr;
    using Family = TransitionEffect (*)(int);
    for (Family family : {wipeRevealEffect, zoomTransitionEffect, slideTransitionEffect,
                          shapeRevealEffect, rotateFlipFadeEffect, sweepBlindRasterEffect}) {
        if (TransitionEffect effect = family(animationIndex))
            return effect;
    }
    return nullptr;
}

Image runTransition(int animationIndex, EffectInputs& inputs) {
    const TransitionDispatchEntry* entry = transitionEntry(animationIndex);
    TransitionEffect effect = transitionEffect(animationIndex);
    if (!entry || !effect)
        return noTransition(inputs, EffectParameter{});
    return effect(inputs, transitionParameter(*entry, inputs.width, inputs.height));
}

} // namespace velomira
