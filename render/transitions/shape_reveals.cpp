#include "render/transitions/shape_reveals.h"

#include <algorithm>
#include <cmath>

namespace velomira {

namespace {

struct Frame {
    int w;
    int h;
    int cx;
    int cy;
    float r; // H / W
};

Frame frameOf(int width, int height) {
    return {width, height, width / 2, height / 2,
            static_cast<float>(height) / static_cast<float>(width)};
}

// A step that would not advance still moves by one pixel.
int atLeastOne(int value) {
    return std::max(value, 1);
}

int trunc(float value) {
    return static_cast<int>(value);
}

// The builder must hold everything it uses by value: it outlives the function that made it.
template <typename Build> MaskSequence masks(MaskMode mode, std::vector<int> steps, Build build) {
    return {mode, std::move(steps), std::move(build)};
}

// step, 2 step, ... while below the extent; the extent itself is the plain picture.
std::vector<int> growingSizes(int extent, int step) {
    std::vector<int> sizes;
    for (int s = step; s < extent; s += step)
        sizes.push_back(s);
    return sizes;
}

// extent - step, extent - 2 step, ... while above 0; 0 is the plain picture.
std::vector<int> shrinkingSizes(int extent, int step) {
    std::vector<int> sizes;
    for (int s = extent - step; s > 0; s -= step)
        sizes.push_back(s);
    return sizes;
}

// A centred circle around a rectangle s wide with the frame's proportions.
MaskSequence circles(const Frame& f, MaskMode mode, std::vector<int> sizes) {
    return masks(mode, std::move(sizes), [f](int s) {
        const double dx = s >> 1;
        const double dy = static_cast<float>(s) * f.r * 0.5;
        return MaskShapes{circleShape(f.cx, f.cy, std::hypot(dx, dy))};
    });
}

MaskShapes diamond(const Frame& f, int a) {
    if (f.w >= f.h) {
        const float e = static_cast<float>(a) * f.r;
        return {polygonShape({{double(f.cx), double(trunc(float(f.cy) - e))},
                              {double(f.cx - a), double(f.cy)},
                              {double(f.cx), double(trunc(e + float(f.cy)))},
                              {double(f.cx + a), double(f.cy)}})};
    }
    const double e = static_cast<float>(a) / f.r;
    return {polygonShape({{double(f.cx), double(f.cy - a)},
                          {f.cx - e, double(f.cy)},
                          {double(f.cx), double(f.cy + a)},
                          {f.cx + e, double(f.cy)}})};
}

MaskSequence diamonds(const Frame& f, bool growing) {
    const int extent = std::max(f.w, f.h);
    const int q = atLeastOne(extent / 16);
    auto build = [f](int a) { return diamond(f, a); };
    if (growing) {
        const int n = extent / q + (extent % q != 0 ? 1 : 0);
        return masks(MaskMode::Growing, multiples(1, n - 1, q), build);
    }
    const int n = extent / q - (extent % q == 0 ? 1 : 0);
    std::vector<int> sizes = multiples(1, n, q);
    std::reverse(sizes.begin(), sizes.end());
    return masks(MaskMode::Shrinking, std::move(sizes), build);
}

using P = MaskPoint;

// The previous frame between the arms of an X that grows from the centre.
MaskShapes xArmsGap(const Frame& f, int t) {
    const float h = static_cast<float>(t) * f.r;
    const double w = f.w, hh = f.h, cx = f.cx, cy = f.cy;
    return {
        polygonShape({P{cx, double(trunc(float(f.cy) - h))}, P{double(t), 0}, P{w - t, 0}}),
        polygonShape({P{cx - t, cy}, P{0, double(trunc(h))}, P{0, double(trunc(float(f.h) - h))}}),
        polygonShape({P{cx, double(trunc(float(f.cy) + h))}, P{double(t), hh}, P{w - t, hh}}),
        polygonShape({P{cx + t, cy}, P{w, double(trunc(h))}, P{w, double(trunc(float(f.h) - h))}})};
}

// Four triangles of the new picture growing from the middles of the edges.
MaskShapes xEdgeTriangles(const Frame& f, int t) {
    const float h = static_cast<float>(t) * f.r;
    const double w = f.w, hh = f.h, cx = f.cx, cy = f.cy;
    return {polygonShape({P{cx, double(trunc(h))}, P{cx - t, 0}, P{cx + t, 0}}),
            polygonShape({P{double(t), cy}, P{0, double(trunc(float(f.cy) - h))},
                          P{0, double(trunc(float(f.cy) + h))}}),
            polygonShape({P{cx, double(trunc(float(f.h) - h))}, P{cx - t, hh}, P{cx + t, hh}}),
            polygonShape({P{w - t, cy}, P{w, double(trunc(float(f.cy) - h))},
                          P{w, double(trunc(float(f.cy) + h))}})};
}

MaskSequence xShapes(const Frame& f, bool fromCentre, int step) {
    const int c = atLeastOne(step);
    const int n = f.cx / c + (f.cx % c != 0 ? 1 : 0);
    if (n < 1)
        return MaskSequence{};
    return masks(
        fromCentre ? MaskMode::Shrinking : MaskMode::Growing, multiples(1, n - 1, c),
        [f, fromCentre](int t) { return fromCentre ? xArmsGap(f, t) : xEdgeTriangles(f, t); });
}

// A right triangle in a corner with legs of length R, drawn as two leg lines and a closed
// piece along the hypotenuse that returns to the corner over an arc. The arc starts at the
// leg end from which it bulges out of the frame, so what shows is the triangle.
struct CornerDiagonal {
    bool right;
    bool bottom;
    bool sweep;
    bool arcFromVerticalLeg;
};

MaskShape cornerDiagonal(const Frame& f, const CornerDiagonal& d, double R) {
    const P corner{d.right ? double(f.w) : 0.0, d.bottom ? double(f.h) : 0.0};
    const P across{corner.x + (d.right ? -R : R), corner.y};
    const P along{corner.x, corner.y + (d.bottom ? -R : R)};
    const P from = d.arcFromVerticalLeg ? across : along;
    const P to = d.arcFromVerticalLeg ? along : across;
    using K = PathStep::Kind;
    MaskShape shape;
    shape.path = {{K::Move, corner.x, corner.y},
                  {K::Line, across.x, across.y},
                  {K::Move, corner.x, corner.y},
                  {K::Line, along.x, along.y},
                  {K::Move, from.x, from.y},
                  {K::Line, to.x, to.y},
                  {K::Arc, corner.x, corner.y, R, false, d.sweep},
                  {K::Close}};
    shape.outlines = {{corner, across, along}};
    // Within the frame the drawing is the triangle: the arc's piece lies beyond the leg.
    shape.polygon = MaskOutline{corner, across, along};
    return shape;
}

// The twenty-frame shapes: frames k = 1 .. 19, then the picture.
template <typename Shapes>
MaskSequence twentyFrames(Shapes shapesOfFrame, MaskMode mode = MaskMode::Growing) {
    return masks(mode, multiples(1, 19), std::move(shapesOfFrame));
}

MaskSequence cornerDiagonals(const Frame& f, const CornerDiagonal& d) {
    const int u = atLeastOne((2 * std::max(f.w, f.h)) / 20);
    return twentyFrames(
        [f, d, u](int k) { return MaskShapes{cornerDiagonal(f, d, static_cast<double>(k) * u)}; });
}

// An arrow head with its base on an edge and its tip on the centre line.
MaskSequence arrows(const Frame& f, int index) {
    const bool horizontal = index == 73 || index == 74;
    const int u = atLeastOne((2 * (horizontal ? f.w : f.h)) / 20);
    return twentyFrames([f, index, horizontal, u](int k) {
        const double reach = static_cast<double>(k) * u;
        const double w = f.w, h = f.h, cx = f.cx, cy = f.cy;
        if (horizontal) {
            const double e = f.r * static_cast<float>(k * u) * 0.5;
            const double edge = index == 73 ? 0.0 : w;
            const double tip = index == 73 ? reach : w - reach;
            return MaskShapes{polygonShape({P{edge, cy - e}, P{edge, cy + e}, P{tip, cy}})};
        }
        const double e = (static_cast<float>(k * u) / f.r) * 0.5;
        const double edge = index == 75 ? 0.0 : h;
        const double tip = index == 75 ? reach : h - reach;
        return MaskShapes{polygonShape({P{cx - e, edge}, P{cx + e, edge}, P{cx, tip}})};
    });
}

// A triangle on an edge whose apex crosses the frame in ten frames, after which the opposite
// side opens from its middle. Worked out for the bottom edge in (along, across) coordinates
// and turned onto the edge of the index.
MaskSequence edgeSweeps(const Frame& f, int index) {
    const bool vertical = index == 77 || index == 78; // the edge is the bottom or the top
    const int length = vertical ? f.w : f.h;          // along the edge
    const int depth = vertical ? f.h : f.w;           // across the frame
    const int mid = vertical ? f.cx : f.cy;
    const bool far = index == 77 || index == 80; // the edge is at y = H or x = W
    const int u = atLeastOne((2 * depth) / 20);
    const int v = atLeastOne(length / 20);
    auto place = [=](double along, double across) {
        const double distance = far ? depth - across : across;
        return vertical ? P{along, distance} : P{distance, along};
    };
    return twentyFrames([=](int k) {
        std::vector<P> corners{place(0, 0), place(length - 1, 0)};
        if (k <= 10) {
            const int reach =
                far ? depth - trunc(float(depth) - float(k) * u) : trunc(float(k) * u);
            corners.push_back(place(mid, reach));
        } else {
            const int open = (k - 10) * v;
            corners.push_back(place(trunc(float(mid + open)), depth));
            corners.push_back(place(trunc(float(mid - open)), depth));
        }
        return MaskShapes{polygonShape(corners)};
    });
}

// Two triangles sweeping in from the left and right edges, or leaving towards them.
MaskSequence diagonalScans(const Frame& f, bool in) {
    const int unit = atLeastOne(f.w / 20);
    const double w = f.w, h = f.h;
    return twentyFrames(
        [in, unit, w, h](int k) {
            const double d = static_cast<double>(k) * unit;
            if (in)
                return MaskShapes{polygonShape({P{0, 0}, P{d, 0}, P{0, h}}),
                                  polygonShape({P{w, 0}, P{w, h}, P{w - d, h}})};
            return MaskShapes{polygonShape({P{0, 0}, P{w - d, 0}, P{0, h}}),
                              polygonShape({P{w, 0}, P{w, h}, P{d, h}})};
        },
        in ? MaskMode::Growing : MaskMode::Shrinking);
}

std::vector<PixelRect> cornerRects(const Frame& f, int a) {
    const float h = static_cast<float>(a) * f.r;
    const double w = f.w, hh = f.h;
    return {pixelRect(0, 0, a, h, f.w, f.h), pixelRect(0, hh, a, hh - h, f.w, f.h),
            pixelRect(w, 0, w - a, h, f.w, f.h), pixelRect(w, hh, w - a, hh - h, f.w, f.h)};
}

} // namespace

Image shapeReveal(EffectInputs& in, const EffectParameter& parameter, int index) {
    return playMaskEffect(in, shapeRevealMasks(index, in.width, in.height, parameter));
}

Image cornerReveal(EffectInputs& in, const EffectParameter& parameter, int index) {
    return playRectEffect(in, cornerRectangles(index, in.width, in.height, parameter));
}

MaskSequence shapeRevealMasks(int index, int width, int height, const EffectParameter& parameter) {
    if (width <= 0 || height <= 0)
        return MaskSequence{};
    const Frame f = frameOf(width, height);
    const int step = atLeastOne(parameter.step);
    switch (index) {
    case 25:
        return circles(f, MaskMode::Growing, growingSizes(f.w, step));
    case 26:
        return circles(f, MaskMode::Shrinking, shrinkingSizes(f.w, step));
    case 51:
        return cornerDiagonals(f, {false, false, true, true});
    case 52:
        return cornerDiagonals(f, {false, true, true, false});
    case 53:
        return cornerDiagonals(f, {true, false, false, true});
    case 54:
        return cornerDiagonals(f, {true, true, true, true});
    case 55:
    case 56:
        return diamonds(f, index == 55);
    case 58:
    case 59:
        return xShapes(f, index == 58, parameter.step);
    case 64:
    case 65:
        return diagonalScans(f, index == 64);
    case 73:
    case 74:
    case 75:
    case 76:
        return arrows(f, index);
    case 77:
    case 78:
    case 79:
    case 80:
        return edgeSweeps(f, index);
    default:
        return MaskSequence{};
    }
}

RectSequence cornerRectangles(int index, int width, int height, const EffectParameter& parameter) {
    RectSequence sequence;
    if ((index != 37 && index != 38) || width <= 0 || height <= 0)
        return sequence;
    const Frame f = frameOf(width, height);
    const int p = atLeastOne(parameter.step);
    const int half = (f.w / p) / 2;
    if (index == 37) {
        const int n = half + (f.w % (2 * p) != 0 ? 1 : 0);
        sequence.steps = multiples(1, n - 1, p);
    } else {
        sequence.mode = MaskMode::Shrinking;
        const int n = half - (f.w % (2 * p) == 0 ? 1 : 0);
        sequence.steps = multiples(1, n, p);
        std::reverse(sequence.steps.begin(), sequence.steps.end());
    }
    sequence.build = [f](int a) { return cornerRects(f, a); };
    return sequence;
}

} // namespace velomira
