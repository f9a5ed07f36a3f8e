#pragma once
// Zoom transitions: shrinking, growing from corners, edges and the centre.
#include "render/effect_run.h"

namespace velomira {

// The picture zooms about its centre while the previous frame fades out over it: growing, from
// its own size to enlarged; otherwise from enlarged back to its own size.
Image centreZoom(EffectInputs& in, const EffectParameter& parameter, bool growing);

// Where the new picture grows from over the previous frame.
enum class GrowAnchor {
    TopLeft,
    BottomLeft,
    TopRight,
    BottomRight,
    LeftMiddle,
    RightMiddle,
    TopMiddle,
    BottomMiddle,
    Centre,
};
Image growOver(EffectInputs& in, const EffectParameter& parameter, GrowAnchor anchor);

// Where the previous frame shrinks away to over the new picture.
enum class ShrinkKind {
    Centre,
    VerticalBand,   // the left and right sides close in
    HorizontalBand, // the top and bottom close in
    TopLeft,
    BottomLeft,
    TopRight,
    BottomRight,
};
Image shrinkPrevious(EffectInputs& in, const EffectParameter& parameter, ShrinkKind kind);

// The edge a small picture moves in from before it grows in the centre.
enum class ApproachSide { FromTop, FromBottom, FromLeft, FromRight };
Image moveInThenGrow(EffectInputs& in, const EffectParameter& parameter, ApproachSide from);

} // namespace velomira
