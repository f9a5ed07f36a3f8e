#include "render/transitions/sweep_blind_raster.h"

#include <algorithm>
#include <cmath>

namespace velomira {

namespace {

using P = MaskPoint;

// Angles are degrees clockwise on the screen from 3 o'clock: 270 is 12 o'clock.
double radians(double degrees) {
    return static_cast<float>(degrees / 180.0 * 3.1415926);
}

P onCircle(const P& centre, double radius, double angle) {
    return {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
}

// Convex pieces of the sector (none wider than 45 degrees, bounded at multiples of 45 so
// that they stay put while the sector grows), each a fan of points on the arc.
std::vector<MaskOutline> sectorOutlines(const P& centre, double radius, double start, double end) {
    std::vector<MaskOutline> outlines;
    for (double low = start; low < end;) {
        const double high = std::min(end, (std::floor(low / 45.0) + 1.0) * 45.0);
        MaskOutline fan{centre};
        const int steps = std::max(1, static_cast<int>(std::ceil((high - low) / 3.0)));
        for (int i = 0; i <= steps; ++i) {
            const double angle = low + (high - low) * i / steps;
            fan.push_back(onCircle(centre, radius, radians(angle)));
        }
        outlines.push_back(std::move(fan));
        low = high;
    }
    return outlines;
}

// The pie sector from angle start to angle end, clockwise.
MaskShape sector(const P& centre, double radius, double start, double end) {
    const P first = onCircle(centre, radius, radians(start));
    const P last = onCircle(centre, radius, radians(end));
    using K = PathStep::Kind;
    MaskShape shape;
    // The line from the centre to the end point is a piece of its own, then the closed sector.
    shape.path = {{K::Move, centre.x, centre.y},
                  {K::Line, last.x, last.y},
                  {K::Move, centre.x, centre.y},
                  {K::Line, first.x, first.y},
                  {K::Arc, last.x, last.y, radius, end - start >= 180.0, true},
                  {K::Close}};
    shape.outlines = sectorOutlines(centre, radius, start, end);
    shape.sector = MaskSector{centre, first, last, radius, end - start >= 180.0};
    return shape;
}

struct Angles {
    double start;
    double end;
};

std::vector<Angles> sweepSectors(int index, int k, double a) {
    const double turn = k * a;
    switch (index) {
    case 32:
        return {{270.0, 270.0 + turn}};
    case 36:
        return {{270.0 - turn, 270.0}};
    case 34:
        return {{180.0, 180.0 + turn}};
    case 35:
        return {{180.0 - turn, 180.0}};
    case 33:
        return k == 0 ? std::vector<Angles>{{270.0 - 0.2 * a, 270.0 + 0.2 * a}}
                      : std::vector<Angles>{{270.0 - turn, 270.0 + turn}};
    default: { // 57: four sectors whose ends are whole degrees
        std::vector<Angles> sectors;
        for (double start : {270.0, 0.0, 90.0, 180.0})
            sectors.push_back({start, std::trunc(start + turn)});
        return sectors;
    }
    }
}

double sweepLimit(int index) {
    return index == 33 ? 180.0 : index == 57 ? 90.0 : 360.0;
}

// Only the strips opened since the frame before are copied: the base keeps the earlier ones.
std::vector<PixelRect> blinds(int index, int width, int height, int count, int k) {
    const double pitch = (index == 49 ? width : height) / static_cast<double>(count);
    const double growth = pitch / 18.0;
    std::vector<PixelRect> rects;
    for (int j = 0; j < count; ++j) {
        const double from = j * pitch + (k - 1) * growth;
        const double to = j * pitch + k * growth;
        rects.push_back(index == 49 ? pixelRect(from, 0, to, height, width, height)
                                    : pixelRect(0, from, width, to, width, height));
    }
    return rects;
}

// Band j has grown by (k - j) advances in frame k; as with the blinds only the strip each
// band gained since the frame before is copied.
std::vector<PixelRect> rasterBands(int index, int width, int height, double band, double advance,
                                   int k) {
    std::vector<PixelRect> rects;
    const double w = width, h = height;
    for (int j = 0; j < k; ++j) {
        const double from = j * band + (k - 1 - j) * advance;
        const double to = j * band + (k - j) * advance;
        PixelRect rect;
        switch (index) {
        case 41:
            rect = pixelRect(from, 0, to, h, width, height);
            break;
        case 42:
            rect = pixelRect(w - from, 0, w - to, h, width, height);
            break;
        case 43:
            rect = pixelRect(0, from, w, to, width, height);
            break;
        default:
            rect = pixelRect(0, h - from, w, h - to, width, height);
            break;
        }
        if (!rect.empty())
            rects.push_back(rect);
    }
    return rects;
}

} // namespace

Image clockSweep(EffectInputs& in, const EffectParameter& parameter, int index) {
    return playMaskEffect(in, clockSweepMasks(index, in.width, in.height, parameter));
}

Image blindRaster(EffectInputs& in, const EffectParameter& parameter, int index) {
    return playRectEffect(in, blindRasterRects(index, in.width, in.height, parameter));
}

MaskSequence clockSweepMasks(int index, int width, int height, const EffectParameter& parameter) {
    MaskSequence sequence;
    const double a = parameter.value;
    const bool sweep = (index >= 32 && index <= 36) || index == 57;
    // An angle step that is not positive would never end; one below a thousandth of a degree
    // has no whole thousandths to divide by.
    if (!sweep || width <= 0 || height <= 0 || !(a >= 0.001) || !(a < 1e9))
        return sequence;
    const double limit = sweepLimit(index);
    const long long whole = static_cast<long long>(a * 1000.0);
    const long long n = static_cast<long long>(limit / a) +
                        (static_cast<long long>(limit * 1000.0) % whole != 0 ? 1 : 0);
    const long long halfWidth = width / 2, halfHeight = height / 2;
    const double radius =
        std::sqrt(static_cast<double>((halfWidth * width) / 2 + (halfHeight * height) / 2));
    const P centre{static_cast<double>(halfWidth), static_cast<double>(halfHeight)};
    // An angle step of at least 0.001 degrees makes at most about 360 000 steps.
    sequence.steps = multiples(0, static_cast<int>(n) - 1);
    sequence.build = [index, a, centre, radius](int k) {
        MaskShapes shapes;
        for (const Angles& s : sweepSectors(index, k, a)) {
            // An empty sector would still leave a line from the centre.
            if (s.end > s.start)
                shapes.push_back(sector(centre, radius, s.start, s.end));
        }
        return shapes;
    };
    return sequence;
}

RectSequence blindRasterRects(int index, int width, int height, const EffectParameter& parameter) {
    RectSequence sequence;
    const bool isBlind = index == 49 || index == 50;
    const bool isRaster = index >= 41 && index <= 44;
    if ((!isBlind && !isRaster) || width <= 0 || height <= 0)
        return sequence;
    const int count = std::max(parameter.step, 1);
    if (isBlind) {
        sequence.steps = multiples(1, 17);
        sequence.build = [index, width, height, count](int k) {
            return blinds(index, width, height, count, k);
        };
    } else {
        const double band =
            (index <= 42 ? width : std::max(width, height)) / static_cast<double>(count);
        const double advance = (band / count) * 3.0;
        const int frames = static_cast<int>(count + band / advance);
        sequence.steps = multiples(1, frames - 1);
        sequence.build = [index, width, height, band, advance](int k) {
            return rasterBands(index, width, height, band, advance, k);
        };
    }
    return sequence;
}

} // namespace velomira
