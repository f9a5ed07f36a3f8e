#include "render/transition_dispatch.h"

#include "album/transition_catalogue.h"
#include "render/transitions/no_transition.h"
#include "render/transitions/rotate_flip_fade.h"
#include "render/transitions/shape_reveals.h"
#include "render/transitions/slide_transitions.h"
#include "render/transitions/sweep_blind_raster.h"
#include "render/transitions/wipe_reveals.h"
#include "render/transitions/zoom_transitions.h"

#include <array>
#include <cstddef>

namespace velomira {

namespace {

using F = TransitionFamily;
using R = ParameterRule;

// An entry point with its variant fixed: the effect of one index.
template <auto Effect, auto... Variant>
Image bound(EffectInputs& in, const EffectParameter& parameter) {
    return Effect(in, parameter, Variant...);
}

// Every named index in catalogue order, with its family, parameter rule and effect.
constexpr std::array<TransitionDispatchEntry, kTransitionCount> kTable{{
    {0, F::Zoom, R::ZoomSteps, 0, bound<centreZoom, false>},
    {1, F::Zoom, R::ZoomSteps, 0, bound<centreZoom, true>},
    {2, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 2>},
    {3, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 3>},
    {4, F::Wipe, R::HeightDiv16, 0, bound<wipeReveal, 4>},
    {5, F::Zoom, R::WidthDiv16, 0, bound<growOver, GrowAnchor::TopLeft>},
    {6, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 6>},
    {7, F::Zoom, R::WidthDiv16, 0, bound<growOver, GrowAnchor::BottomLeft>},
    {8, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 8>},
    {9, F::Zoom, R::WidthDiv16, 0, bound<growOver, GrowAnchor::TopRight>},
    {10, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 10>},
    {11, F::Zoom, R::WidthDiv16, 0, bound<growOver, GrowAnchor::BottomRight>},
    {12, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 12>},
    {13, F::Zoom, R::WidthDiv16, 0, bound<growOver, GrowAnchor::LeftMiddle>},
    {14, F::Zoom, R::HeightDiv16, 0, bound<growOver, GrowAnchor::TopMiddle>},
    {15, F::Zoom, R::WidthDiv16, 0, bound<growOver, GrowAnchor::RightMiddle>},
    {16, F::Zoom, R::HeightDiv16, 0, bound<growOver, GrowAnchor::BottomMiddle>},
    {17, F::Zoom, R::WidthDiv17, 0, bound<growOver, GrowAnchor::Centre>},
    {18, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 18>},
    {19, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 19>},
    {20, F::Wipe, R::HeightDiv16, 0, bound<wipeReveal, 20>},
    {21, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 21>},
    {22, F::Wipe, R::HeightDiv16, 0, bound<wipeReveal, 22>},
    {23, F::Wipe, R::HeightDiv16, 0, bound<wipeReveal, 23>},
    {24, F::Wipe, R::WidthDiv16, 0, bound<wipeReveal, 24>},
    {25, F::ShapeReveal, R::WidthDiv16, 0, bound<shapeReveal, 25>},
    {26, F::ShapeReveal, R::WidthDiv16, 0, bound<shapeReveal, 26>},
    {27, F::Slide, R::WidthDiv16, 0, bound<push, SlideMotion::LeftToRight>},
    {28, F::Slide, R::WidthDiv16, 0, bound<push, SlideMotion::RightToLeft>},
    {29, F::Slide, R::HeightDiv16, 0, bound<push, SlideMotion::TopToBottom>},
    {30, F::Slide, R::HeightDiv16, 0, bound<push, SlideMotion::BottomToTop>},
    {31, F::RotateFlipFade, R::FixedInt, 6, crossFade},
    {32, F::SweepBlindRaster, R::FixedReal, 19.8, bound<clockSweep, 32>},
    {33, F::SweepBlindRaster, R::FixedReal, 11.0, bound<clockSweep, 33>},
    {34, F::SweepBlindRaster, R::FixedReal, 19.8, bound<clockSweep, 34>},
    {35, F::SweepBlindRaster, R::FixedReal, 19.8, bound<clockSweep, 35>},
    {36, F::SweepBlindRaster, R::FixedReal, 19.8, bound<clockSweep, 36>},
    {37, F::ShapeReveal, R::WidthDiv32, 0, bound<cornerReveal, 37>},
    {38, F::ShapeReveal, R::WidthDiv32, 0, bound<cornerReveal, 38>},
    {39, F::Slide, R::WidthDiv32, 0, flyIn},
    {40, F::Slide, R::WidthDiv32, 0, flyOut},
    {41, F::SweepBlindRaster, R::FixedInt, 16, bound<blindRaster, 41>},
    {42, F::SweepBlindRaster, R::FixedInt, 16, bound<blindRaster, 42>},
    {43, F::SweepBlindRaster, R::FixedInt, 16, bound<blindRaster, 43>},
    {44, F::SweepBlindRaster, R::FixedInt, 16, bound<blindRaster, 44>},
    {45, F::RotateFlipFade, R::None, 0, bound<spin, true, true>},
    {46, F::RotateFlipFade, R::None, 0, bound<spin, true, false>},
    {47, F::RotateFlipFade, R::None, 0, bound<spin, false, true>},
    {48, F::RotateFlipFade, R::None, 0, bound<spin, false, false>},
    {49, F::SweepBlindRaster, R::FixedInt, 14, bound<blindRaster, 49>},
    {50, F::SweepBlindRaster, R::FixedInt, 14, bound<blindRaster, 50>},
    {51, F::ShapeReveal, R::None, 0, bound<shapeReveal, 51>},
    {52, F::ShapeReveal, R::None, 0, bound<shapeReveal, 52>},
    {53, F::ShapeReveal, R::None, 0, bound<shapeReveal, 53>},
    {54, F::ShapeReveal, R::None, 0, bound<shapeReveal, 54>},
    {55, F::ShapeReveal, R::None, 0, bound<shapeReveal, 55>},
    {56, F::ShapeReveal, R::None, 0, bound<shapeReveal, 56>},
    {57, F::SweepBlindRaster, R::FixedReal, 5.45, bound<clockSweep, 57>},
    {58, F::ShapeReveal, R::WidthDiv32, 0, bound<shapeReveal, 58>},
    {59, F::ShapeReveal, R::WidthDiv32, 0, bound<shapeReveal, 59>},
    {60, F::RotateFlipFade, R::None, 0, bound<flipIn, FlipHinge::Left>},
    {61, F::RotateFlipFade, R::None, 0, bound<flipIn, FlipHinge::Right>},
    {62, F::RotateFlipFade, R::None, 0, bound<flipIn, FlipHinge::Top>},
    {63, F::RotateFlipFade, R::None, 0, bound<flipIn, FlipHinge::Bottom>},
    {64, F::ShapeReveal, R::None, 0, bound<shapeReveal, 64>},
    {65, F::ShapeReveal, R::None, 0, bound<shapeReveal, 65>},
    {66, F::Zoom, R::WidthDiv17, 0, bound<shrinkPrevious, ShrinkKind::Centre>},
    {67, F::Zoom, R::WidthDiv16, 0, bound<shrinkPrevious, ShrinkKind::VerticalBand>},
    {68, F::Zoom, R::HeightDiv16, 0, bound<shrinkPrevious, ShrinkKind::HorizontalBand>},
    {69, F::Slide, R::None, 0, bound<slideOut, SlideMotion::LeftToRight>},
    {70, F::Slide, R::None, 0, bound<slideOut, SlideMotion::RightToLeft>},
    {71, F::Slide, R::None, 0, bound<slideOut, SlideMotion::TopToBottom>},
    {72, F::Slide, R::None, 0, bound<slideOut, SlideMotion::BottomToTop>},
    {73, F::ShapeReveal, R::None, 0, bound<shapeReveal, 73>},
    {74, F::ShapeReveal, R::None, 0, bound<shapeReveal, 74>},
    {75, F::ShapeReveal, R::None, 0, bound<shapeReveal, 75>},
    {76, F::ShapeReveal, R::None, 0, bound<shapeReveal, 76>},
    {77, F::ShapeReveal, R::None, 0, bound<shapeReveal, 77>},
    {78, F::ShapeReveal, R::None, 0, bound<shapeReveal, 78>},
    {79, F::ShapeReveal, R::None, 0, bound<shapeReveal, 79>},
    {80, F::ShapeReveal, R::None, 0, bound<shapeReveal, 80>},
    {81, F::Zoom, R::None, 0, bound<shrinkPrevious, ShrinkKind::TopLeft>},
    {82, F::Zoom, R::None, 0, bound<shrinkPrevious, ShrinkKind::BottomLeft>},
    {83, F::Zoom, R::None, 0, bound<shrinkPrevious, ShrinkKind::TopRight>},
    {84, F::Zoom, R::None, 0, bound<shrinkPrevious, ShrinkKind::BottomRight>},
    {85, F::Slide, R::None, 0, bound<slideIn, SlideMotion::LeftToRight>},
    {86, F::Slide, R::None, 0, bound<slideIn, SlideMotion::RightToLeft>},
    {87, F::Slide, R::None, 0, bound<slideIn, SlideMotion::TopToBottom>},
    {88, F::Slide, R::None, 0, bound<slideIn, SlideMotion::BottomToTop>},
    {89, F::Zoom, R::None, 0, bound<moveInThenGrow, ApproachSide::FromTop>},
    {90, F::Zoom, R::None, 0, bound<moveInThenGrow, ApproachSide::FromBottom>},
    {91, F::Zoom, R::None, 0, bound<moveInThenGrow, ApproachSide::FromLeft>},
    {92, F::Zoom, R::None, 0, bound<moveInThenGrow, ApproachSide::FromRight>},
    {95, F::Wipe, R::None, 0, bound<wipeReveal, 95>},
    {96, F::Wipe, R::None, 0, bound<wipeReveal, 96>},
    {97, F::Wipe, R::None, 0, bound<wipeReveal, 97>},
    {98, F::Wipe, R::None, 0, bound<wipeReveal, 98>},
}};

// Rows 0..92 are the indexes 0..92 and the last four 95..98, so a lookup is a subscript; every
// row has its effect.
constexpr bool rowsFollowTheCatalogue() {
    for (std::size_t row = 0; row < kTable.size(); ++row) {
        const int index = row <= 92 ? static_cast<int>(row) : static_cast<int>(row) + 2;
        if (kTable[row].index != index || !kTable[row].effect)
            return false;
    }
    return true;
}
static_assert(rowsFollowTheCatalogue());

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
    const TransitionDispatchEntry* entry = transitionEntry(animationIndex);
    return entry ? entry->effect : nullptr;
}

Image runTransition(int animationIndex, EffectInputs& inputs) {
    const TransitionDispatchEntry* entry = transitionEntry(animationIndex);
    if (!entry)
        return noTransition(inputs, EffectParameter{});
    return entry->effect(inputs, transitionParameter(*entry, inputs.width, inputs.height));
}

} // namespace velomira
