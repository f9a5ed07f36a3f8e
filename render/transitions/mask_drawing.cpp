#include "render/transitions/mask_drawing.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace velomira {

namespace {

// Antialiasing reaches about one pixel beyond an edge; outlines may differ from the traced
// shape by a fraction of a pixel. Three pixels cover both with room to spare.
constexpr double kMargin = 3.0;
// Rows per piece: low enough that a slanted edge wastes little, high enough that the fixed
// cost of a drawing call stays small.
constexpr long kBandRows = 32;
// Vertices of the polygon standing for a circle in the piece computation (it lies within a
// third of a pixel of circles up to a radius of 1100).
constexpr int kCircleVertices = 128;
// Where every path element begins: outside the frame, up and to the left.
constexpr double kAnchor = -16.0;

// The drawing info must never own the fill picture: the pattern is cleared before the info is
// destroyed.
struct DrawInfoDeleter {
    void operator()(DrawInfo* info) const noexcept {
        if (!info)
            return;
        info->fill_pattern = nullptr;
        DestroyDrawInfo(info);
    }
};
using DrawInfoHandle = std::unique_ptr<DrawInfo, DrawInfoDeleter>;

// Draws with the shapes moved by (dx, dy), so a piece cut at (-dx, -dy) receives exactly the
// pixels the whole drawing would give it.
// A null fill draws in the drawing's own fill colour.
void drawShifted(MagickWand* target, const DrawingWand* shapes, MagickWand* fill, double dx,
                 double dy) {
    if (!target || !shapes || MagickGetNumberImages(target) == 0 ||
        (fill && MagickGetNumberImages(fill) == 0))
        return;
    DrawInfoHandle info(PeekDrawingWand(shapes));
    if (!info)
        return;
    info->affine.tx = dx;
    info->affine.ty = dy;
    if (fill)
        info->fill_pattern = GetImageFromMagickWand(fill);
    DrawImage(GetImageFromMagickWand(target), info.get());
}

Image croppedCopy(MagickWand* source, const PixelRect& rect) {
    Image piece(CloneMagickWand(source));
    if (piece)
        MagickCropImage(piece.get(), static_cast<size_t>(rect.width),
                        static_cast<size_t>(rect.height), rect.x, rect.y);
    return piece;
}

// Half-open column spans [begin, end).
struct Span {
    long begin;
    long end;
};
using Spans = std::vector<Span>;

Spans merged(Spans spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.begin < b.begin; });
    Spans out;
    for (const Span& s : spans) {
        if (s.end <= s.begin)
            continue;
        if (!out.empty() && s.begin <= out.back().end)
            out.back().end = std::max(out.back().end, s.end);
        else
            out.push_back(s);
    }
    return out;
}

// Both arguments merged.
Spans intersection(const Spans& a, const Spans& b) {
    Spans out;
    for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        const long begin = std::max(a[i].begin, b[j].begin);
        const long end = std::min(a[i].end, b[j].end);
        if (begin < end)
            out.push_back({begin, end});
        (a[i].end < b[j].end) ? ++i : ++j;
    }
    return out;
}

// Both arguments merged.
Spans difference(const Spans& a, const Spans& b) {
    Spans out;
    std::size_t j = 0;
    for (Span s : a) {
        while (j < b.size() && b[j].end <= s.begin)
            ++j;
        for (std::size_t k = j; k < b.size() && b[k].begin < s.end; ++k) {
            if (b[k].begin > s.begin)
                out.push_back({s.begin, b[k].begin});
            s.begin = std::max(s.begin, b[k].end);
        }
        if (s.begin < s.end)
            out.push_back(s);
    }
    return out;
}

// The x-range of the outline within the horizontal slab low <= y <= high.
bool slabRange(const MaskOutline& outline, double low, double high, double& left, double& right) {
    bool found = false;
    auto take = [&](double x) {
        left = found ? std::min(left, x) : x;
        right = found ? std::max(right, x) : x;
        found = true;
    };
    const std::size_t n = outline.size();
    for (std::size_t i = 0; i < n; ++i) {
        const MaskPoint& p = outline[i];
        if (p.y >= low && p.y <= high)
            take(p.x);
        if (n < 2)
            continue;
        const MaskPoint& q = outline[(i + 1) % n];
        for (double bound : {low, high}) {
            if ((p.y - bound) * (q.y - bound) < 0.0)
                take(p.x + (bound - p.y) * (q.x - p.x) / (q.y - p.y));
        }
    }
    return found;
}

// Columns within kMargin of the outline, for rows first .. last.
void addOuterSpan(const MaskOutline& outline, long first, long last, Spans& spans) {
    double left = 0.0;
    double right = 0.0;
    if (slabRange(outline, first - kMargin, last + kMargin, left, right))
        spans.push_back({static_cast<long>(std::floor(left - kMargin)),
                         static_cast<long>(std::ceil(right + kMargin)) + 1});
}

// Columns whose pixels lie at least kMargin inside the outline in every row first .. last.
// The outline is convex, so its row extent over the band is narrowest at the band's ends.
void addInnerSpan(const MaskOutline& outline, long first, long last, Spans& spans) {
    if (outline.size() < 3)
        return;
    double l0 = 0.0, r0 = 0.0, l1 = 0.0, r1 = 0.0;
    if (!slabRange(outline, first - kMargin, first - kMargin, l0, r0) ||
        !slabRange(outline, last + kMargin, last + kMargin, l1, r1))
        return;
    const double left = std::ceil(std::max(l0, l1) + kMargin);
    const double right = std::floor(std::min(r0, r1) - kMargin);
    if (left <= right)
        spans.push_back({static_cast<long>(left), static_cast<long>(right) + 1});
}

void bandSpans(const MaskShapes& shapes, long first, long last, Spans& outer, Spans& inner) {
    for (const MaskShape& shape : shapes) {
        for (const MaskOutline& outline : shape.outlines) {
            addOuterSpan(outline, first, last, outer);
            addInnerSpan(outline, first, last, inner);
        }
    }
}

// True when the shape may reach a pixel of the rectangle.
bool touches(const MaskShape& shape, const PixelRect& rect) {
    if (shape.outlines.empty())
        return !shape.path.empty();
    for (const MaskOutline& outline : shape.outlines) {
        double left = 0.0;
        double right = 0.0;
        if (slabRange(outline, rect.y - kMargin, rect.y + rect.height - 1 + kMargin, left, right) &&
            right + kMargin >= rect.x && left - kMargin <= rect.x + rect.width - 1)
            return true;
    }
    return false;
}

} // namespace

MaskShape polygonShape(const std::vector<MaskPoint>& corners) {
    MaskShape shape;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        PathStep step;
        step.kind = i == 0 ? PathStep::Kind::Move : PathStep::Kind::Line;
        step.x = corners[i].x;
        step.y = corners[i].y;
        shape.path.push_back(step);
    }
    shape.path.push_back({PathStep::Kind::Close});
    shape.outlines.push_back(corners);
    shape.polygon = corners;
    return shape;
}

MaskShape circleShape(double cx, double cy, double radius) {
    MaskShape shape;
    shape.path.push_back({PathStep::Kind::Move, cx + radius, cy});
    shape.path.push_back({PathStep::Kind::Arc, cx - radius, cy, radius, false, true});
    shape.path.push_back({PathStep::Kind::Arc, cx + radius, cy, radius, false, true});
    shape.path.push_back({PathStep::Kind::Close});
    MaskOutline outline;
    for (int i = 0; i < kCircleVertices; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / kCircleVertices;
        outline.push_back({cx + radius * std::cos(angle), cy + radius * std::sin(angle)});
    }
    shape.outlines.push_back(std::move(outline));
    shape.disc = MaskDisc{{cx, cy}, radius};
    return shape;
}

namespace {

double cross(double ax, double ay, double bx, double by) {
    return ax * by - ay * bx;
}

// Squared distance from (x, y) to the segment from the origin to (ex, ey).
double segmentDistance2(double x, double y, double ex, double ey) {
    const double length2 = ex * ex + ey * ey;
    const double t = length2 > 0.0 ? std::clamp((x * ex + y * ey) / length2, 0.0, 1.0) : 0.0;
    const double dx = x - t * ex, dy = y - t * ey;
    return dx * dx + dy * dy;
}

} // namespace

double sectorCoverage(const MaskSector& s, double x, double y) {
    const double qx = x - s.centre.x, qy = y - s.centre.y;
    const double ax = s.first.x - s.centre.x, ay = s.first.y - s.centre.y;
    const double bx = s.last.x - s.centre.x, by = s.last.y - s.centre.y;
    // Within the angle: past the first edge and before the last one; a sector of half a turn or
    // more needs only one of the two.
    const bool pastFirst = cross(ax, ay, qx, qy) >= 0.0;
    const bool beforeLast = cross(qx, qy, bx, by) >= 0.0;
    const bool withinAngle = s.halfTurnOrMore ? pastFirst || beforeLast : pastFirst && beforeLast;
    const double fromCentre = std::sqrt(qx * qx + qy * qy);
    if (withinAngle && fromCentre <= s.radius)
        return 1.0;
    double d =
        std::sqrt(std::min(segmentDistance2(qx, qy, ax, ay), segmentDistance2(qx, qy, bx, by)));
    if (withinAngle)
        d = std::min(d, fromCentre - s.radius);
    return d < 1.0 ? (1.0 - d) * (1.0 - d) : 0.0;
}

namespace {

// The library's antialiasing: full inside, (1 - d)^2 at a distance d below 1 outside.
double coverageAt(bool inside, double distance) {
    if (inside)
        return 1.0;
    return distance < 1.0 ? (1.0 - distance) * (1.0 - distance) : 0.0;
}

double polygonCoverage(const MaskOutline& corners, double x, double y) {
    const std::size_t n = corners.size();
    if (n == 0)
        return 0.0;
    bool left = true;  // on or left of every edge
    bool right = true; // on or right of every edge
    for (std::size_t i = 0; i < n; ++i) {
        const MaskPoint& a = corners[i];
        const MaskPoint& b = corners[(i + 1) % n];
        const double side = cross(b.x - a.x, b.y - a.y, x - a.x, y - a.y);
        left = left && side >= 0.0;
        right = right && side <= 0.0;
    }
    // A convex polygon holds the points on one side of all its edges.
    if (n >= 3 && (left || right))
        return 1.0;
    double distance2 =
        (x - corners[0].x) * (x - corners[0].x) + (y - corners[0].y) * (y - corners[0].y);
    for (std::size_t i = 0; i < n; ++i) {
        const MaskPoint& a = corners[i];
        const MaskPoint& b = corners[(i + 1) % n];
        distance2 = std::min(distance2, segmentDistance2(x - a.x, y - a.y, b.x - a.x, b.y - a.y));
    }
    return distance2 < 1.0 ? coverageAt(false, std::sqrt(distance2)) : 0.0;
}

} // namespace

double shapeCoverage(const MaskShape& shape, double x, double y) {
    if (shape.sector)
        return sectorCoverage(*shape.sector, x, y);
    if (shape.polygon)
        return polygonCoverage(*shape.polygon, x, y);
    if (shape.disc) {
        const double dx = x - shape.disc->centre.x, dy = y - shape.disc->centre.y;
        const double fromCentre = std::sqrt(dx * dx + dy * dy);
        return coverageAt(fromCentre <= shape.disc->radius, fromCentre - shape.disc->radius);
    }
    return 0.0;
}

void addShapes(DrawingWand* drawing, const MaskShapes& shapes) {
    for (const MaskShape& shape : shapes) {
        if (shape.path.empty())
            continue;
        DrawPathStart(drawing);
        // The library places a fill pattern at the top-left corner of the element's bounding
        // box (clipped to the image). A short segment beyond the frame's top-left corner
        // moves that corner to the image origin, so every pixel takes the fill picture's
        // pixel at its own position, in whole frames and in pieces alike.
        DrawPathMoveToAbsolute(drawing, kAnchor, kAnchor);
        DrawPathLineToAbsolute(drawing, kAnchor + 1.0, kAnchor);
        for (const PathStep& s : shape.path) {
            switch (s.kind) {
            case PathStep::Kind::Move:
                DrawPathMoveToAbsolute(drawing, s.x, s.y);
                break;
            case PathStep::Kind::Line:
                DrawPathLineToAbsolute(drawing, s.x, s.y);
                break;
            case PathStep::Kind::Arc:
                DrawPathEllipticArcAbsolute(drawing, s.radius, s.radius, 0.0,
                                            s.largeArc ? MagickTrue : MagickFalse,
                                            s.sweep ? MagickTrue : MagickFalse, s.x, s.y);
                break;
            case PathStep::Kind::Close:
                DrawPathClose(drawing);
                break;
            }
        }
        DrawPathFinish(drawing);
    }
}

void drawMask(MagickWand* target, const DrawingWand* shapes, MagickWand* fill) {
    drawShifted(target, shapes, fill, 0.0, 0.0);
}

ChangedPieces splitChangedPieces(const MaskShapes& now, const MaskShapes& before, int width,
                                 int height) {
    ChangedPieces pieces;
    const Spans frame{{0, width}};
    for (long first = 0; first < height; first += kBandRows) {
        const long last = std::min<long>(first + kBandRows, height) - 1;
        Spans outer, innerNow, innerBefore;
        bandSpans(now, first, last, outer, innerNow);
        bandSpans(before, first, last, outer, innerBefore);
        const Spans deepNow = merged(innerNow);
        const Spans unchanged = intersection(deepNow, merged(innerBefore));
        const Spans changed = difference(intersection(merged(outer), frame), unchanged);
        const Spans covered = intersection(changed, deepNow);
        auto add = [&](const Spans& spans, std::vector<PixelRect>& to) {
            for (const Span& s : spans)
                to.push_back({s.begin, first, s.end - s.begin, last - first + 1});
        };
        add(difference(changed, covered), pieces.drawn);
        add(covered, pieces.covered);
    }
    return pieces;
}

std::vector<PixelRect> changedPieces(const MaskShapes& now, const MaskShapes& before, int width,
                                     int height) {
    ChangedPieces split = splitChangedPieces(now, before, width, height);
    std::vector<PixelRect> pieces = std::move(split.drawn);
    pieces.insert(pieces.end(), split.covered.begin(), split.covered.end());
    return pieces;
}

namespace {

// Shapes that keep clear of the piece cannot change it; tracing them is wasted.
MaskShapes shapesNear(const MaskShapes& shapes, const PixelRect& rect) {
    MaskShapes near;
    for (const MaskShape& shape : shapes) {
        if (touches(shape, rect))
            near.push_back(shape);
    }
    return near;
}

// The weight the drawing gives the fill over what lies under it, pixel by pixel in the piece
// (0..255, rows top to bottom): the shapes drawn in white on black. The library traces and
// antialiases them exactly as it does with a fill picture.
bool coverageOfPiece(const MaskShapes& shapes, const PixelRect& rect,
                     std::vector<unsigned char>& coverage) {
    const bool allKnown =
        std::all_of(shapes.begin(), shapes.end(), [](const MaskShape& s) { return s.knownArea(); });
    if (allKnown) {
        // Each shape is drawn as an element of its own, white over what the ones before left.
        coverage.resize(static_cast<std::size_t>(rect.width) *
                        static_cast<std::size_t>(rect.height));
        unsigned char* out = coverage.data();
        for (long y = rect.y; y < rect.y + rect.height; ++y) {
            for (long x = rect.x; x < rect.x + rect.width; ++x) {
                double clear = 1.0;
                for (const MaskShape& shape : shapes)
                    clear *=
                        1.0 - shapeCoverage(shape, static_cast<double>(x), static_cast<double>(y));
                *out++ = static_cast<unsigned char>(std::lround(255.0 * (1.0 - clear)));
            }
        }
        return true;
    }
    Image piece =
        makeCanvas(static_cast<int>(rect.width), static_cast<int>(rect.height), "#000000");
    Drawing drawing = newDrawing();
    Pixel white = newPixel("#ffffff");
    if (!piece || !drawing || !white)
        return false;
    DrawSetFillColor(drawing.get(), white.get());
    addShapes(drawing.get(), shapes);
    drawShifted(piece.get(), drawing.get(), nullptr, -static_cast<double>(rect.x),
                -static_cast<double>(rect.y));
    coverage.resize(static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height));
    return MagickExportImagePixels(piece.get(), 0, 0, static_cast<std::size_t>(rect.width),
                                   static_cast<std::size_t>(rect.height), "R", CharPixel,
                                   coverage.data()) == MagickTrue;
}

} // namespace

void drawMaskInPieces(MagickWand* target, MagickWand* start, const MaskShapes& shapes,
                      MagickWand* fill, const std::vector<PixelRect>& pieces) {
    for (const PixelRect& rect : pieces) {
        if (rect.empty())
            continue;
        const MaskShapes near = shapesNear(shapes, rect);
        Image piece = croppedCopy(start ? start : target, rect);
        Image pattern = croppedCopy(fill, rect);
        Drawing drawing = newDrawing();
        if (!piece || !pattern || !drawing)
            continue;
        addShapes(drawing.get(), near);
        drawShifted(piece.get(), drawing.get(), pattern.get(), -static_cast<double>(rect.x),
                    -static_cast<double>(rect.y));
        // Copy, not Over: the piece replaces the pixels it was cut from.
        MagickCompositeImage(target, piece.get(), CopyCompositeOp, rect.x, rect.y);
    }
}

PixelRect pixelRect(double x1, double y1, double x2, double y2, int width, int height) {
    // Pixel i has its centre at i + 0.5; it belongs when low <= i + 0.5 < high.
    auto first = [](double v) { return static_cast<long>(std::ceil(v - 0.5)); };
    const long left = std::max(0L, first(std::min(x1, x2)));
    const long top = std::max(0L, first(std::min(y1, y2)));
    const long right = std::min<long>(width, first(std::max(x1, x2)));
    const long bottom = std::min<long>(height, first(std::max(y1, y2)));
    return {left, top, right - left, bottom - top};
}

void copyRect(MagickWand* target, MagickWand* source, const PixelRect& rect) {
    if (rect.empty() || !target || !source)
        return;
    Image piece = croppedCopy(source, rect);
    if (piece)
        MagickCompositeImage(target, piece.get(), CopyCompositeOp, rect.x, rect.y);
}

std::vector<int> multiples(int first, int last, int factor) {
    std::vector<int> values;
    if (last >= first)
        values.reserve(static_cast<std::size_t>(last - first) + 1);
    for (int k = first; k <= last; ++k)
        values.push_back(k * factor);
    return values;
}

Image playMaskEffect(EffectInputs& in, const MaskSequence& sequence) {
    const std::size_t count = sequence.frameCount();
    const bool growing = sequence.mode == MaskMode::Growing;
    Image base; // growing: the frame drawn on; shrinking: the picture that leaves
    Image work; // shrinking: the frame image
    Image finalFrame;
    TransitionPixels pixels;
    RgbFrame frame; // shrinking, 8-bit: the frame
    std::vector<unsigned char> coverage;
    bool started = false;
    // The shapes of the frame drawn last, and which frame follows it.
    MaskShapes before;
    std::size_t next = 0;
    auto draw = [&](std::size_t i, FrameCanvas&) -> DrawnFrame {
        if (!in.pictureCanvas || !*in.pictureCanvas)
            return nullptr;
        MagickWand* picture = in.pictureCanvas->get();
        if (i + 1 >= count || i >= sequence.steps.size()) {
            work.reset();
            base.reset();
            pixels = TransitionPixels();
            frame = RgbFrame();
            in.previousFrame.reset();
            finalFrame = clonePictureCanvas(in);
            return finalFrame.get();
        }
        if (!started) {
            started = true;
            base = takeBaseFrame(in);
            if (!base)
                return nullptr;
            pixels = takeTransitionPixels(in, base.get());
            if (pixels.ready() && !growing) {
                frame = makeRgbFrame(in.width, in.height, framePoolOf(in));
                if (frame.empty())
                    pixels = TransitionPixels();
                copyFrame(pixels.picture, frame);
            }
            if (!pixels.ready() && !growing)
                work = clonePictureCanvas(in);
        }
        // Frames come in order; should one ever not, its predecessor is built again.
        if (i != next)
            before = i == 0 ? MaskShapes{} : sequence.frame(i - 1);
        MaskShapes now = sequence.frame(i);
        if (pixels.ready()) {
            const ChangedPieces split = splitChangedPieces(now, before, in.width, in.height);
            before = std::move(now);
            next = i + 1;
            // The shapes weigh the arriving pixels against those under them, piece by piece;
            // deep inside them the arriving pixels are simply copied.
            const RgbFrame& over = growing ? pixels.picture : pixels.base;
            const RgbFrame& under = growing ? pixels.base : pixels.picture;
            RgbFrame& out = growing ? pixels.base : frame;
            for (const PixelRect& r : split.covered)
                copyBlock(over, out, {r.width, r.height, r.x, r.y, r.x, r.y});
            for (const PixelRect& rect : split.drawn) {
                if (!rect.empty() && coverageOfPiece(shapesNear(before, rect), rect, coverage))
                    blendByCoverage(over, growing ? out : under, out, rect.x, rect.y, rect.width,
                                    rect.height, coverage.data());
            }
            return DrawnFrame::pixels(out.data());
        }
        const auto pieces = changedPieces(now, before, in.width, in.height);
        before = std::move(now);
        next = i + 1;
        if (growing) {
            drawMaskInPieces(base.get(), nullptr, before, picture, pieces);
            return base.get();
        }
        if (!work)
            return nullptr;
        drawMaskInPieces(work.get(), picture, before, base.get(), pieces);
        return work.get();
    };
    return playTransition(in, count, draw, finalFrame);
}

Image playRectEffect(EffectInputs& in, const RectSequence& sequence) {
    const std::size_t count = sequence.frameCount();
    const bool growing = sequence.mode == MaskMode::Growing;
    Image base; // growing: the frame drawn on; shrinking: the picture that leaves
    Image work; // shrinking: the frame image
    Image finalFrame;
    TransitionPixels pixels;
    RgbFrame frame; // shrinking, 8-bit: the frame
    bool started = false;
    auto draw = [&](std::size_t i, FrameCanvas&) -> DrawnFrame {
        if (!in.pictureCanvas || !*in.pictureCanvas)
            return nullptr;
        MagickWand* picture = in.pictureCanvas->get();
        if (i + 1 >= count || i >= sequence.steps.size()) {
            work.reset();
            base.reset();
            pixels = TransitionPixels();
            frame = RgbFrame();
            in.previousFrame.reset();
            finalFrame = clonePictureCanvas(in);
            return finalFrame.get();
        }
        if (!started) {
            started = true;
            base = takeBaseFrame(in);
            pixels = takeTransitionPixels(in, base.get());
            if (pixels.ready() && !growing) {
                frame = makeRgbFrame(in.width, in.height, framePoolOf(in));
                if (frame.empty())
                    pixels = TransitionPixels();
            }
        }
        if (!base)
            return nullptr;
        if (pixels.ready()) {
            if (!growing)
                copyFrame(pixels.picture, frame);
            const RgbFrame& from = growing ? pixels.picture : pixels.base;
            RgbFrame& to = growing ? pixels.base : frame;
            for (const PixelRect& r : sequence.frame(i))
                copyBlock(from, to, {r.width, r.height, r.x, r.y, r.x, r.y});
            return DrawnFrame::pixels(to.data());
        }
        if (growing) {
            for (const PixelRect& rect : sequence.frame(i))
                copyRect(base.get(), picture, rect);
            return base.get();
        }
        work = clonePictureCanvas(in);
        if (!work)
            return nullptr;
        for (const PixelRect& rect : sequence.frame(i))
            copyRect(work.get(), base.get(), rect);
        return work.get();
    };
    return playTransition(in, count, draw, finalFrame);
}

} // namespace velomira
