#pragma once
// Masks that show one picture through shapes drawn over another. A shape is drawn with a
// drawing wand whose fill pattern is the picture, so every pixel inside the shape takes the
// picture's pixel at the same place (and its edges are antialiased).
//
// The rasteriser's cost follows the area it scans, not the area it fills, so a frame is
// redrawn only in small pieces around the pixels that can change from the frame before: the
// same drawing, cropped. Masks made of upright rectangles are not drawn at all: the
// rectangles are copied.
#include "render/effect_run.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace velomira {

struct MaskPoint {
    double x = 0.0;
    double y = 0.0;
};

// A convex polygon, vertices in order (either direction); two vertices make a segment.
using MaskOutline = std::vector<MaskPoint>;

// Whole pixels: columns x .. x + width - 1, rows y .. y + height - 1.
struct PixelRect {
    long x = 0;
    long y = 0;
    long width = 0;
    long height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
};

struct PathStep {
    enum class Kind { Move, Line, Arc, Close };
    Kind kind = Kind::Move;
    double x = 0.0; // the end point (none for Close)
    double y = 0.0;
    double radius = 0.0; // Arc: both radii, no rotation
    bool largeArc = false;
    bool sweep = false;
};

// A pie sector: the centre, the ends of its two edges on the circle, and whether it spans half
// a turn or more. Angles grow clockwise on the screen.
struct MaskSector {
    MaskPoint centre;
    MaskPoint first; // where the sector starts
    MaskPoint last;  // where it ends
    double radius = 0.0;
    bool halfTurnOrMore = false;
};

struct MaskDisc {
    MaskPoint centre;
    double radius = 0.0;
};

// One shape of a mask: a path drawn as one element, and convex outlines that together
// contain every point of it inside the frame. A sector, a convex polygon or a disc also says
// what it is: the 8-bit path then computes its coverage instead of having the library trace
// the path.
struct MaskShape {
    std::vector<PathStep> path;
    std::vector<MaskOutline> outlines;
    std::optional<MaskSector> sector;
    std::optional<MaskOutline> polygon;
    std::optional<MaskDisc> disc;

    bool knownArea() const { return sector || polygon || disc; }
};
using MaskShapes = std::vector<MaskShape>;

// A closed polygon through the corners (convex).
MaskShape polygonShape(const std::vector<MaskPoint>& corners);
// A circle, drawn as two half-circle arcs: the same disc as DrawCircle at a fraction of its
// tracing cost.
MaskShape circleShape(double cx, double cy, double radius);

// How much of the pixel at (x, y) the library's drawing of the sector fills, 0..1: every pixel
// whose centre (at whole coordinates, as the library places them) lies inside fully, one
// outside by a distance d below 1 by (1 - d)^2, as its antialiasing does.
double sectorCoverage(const MaskSector& sector, double x, double y);
// The same for a shape whose area is known (knownArea()); 0 for any other.
double shapeCoverage(const MaskShape& shape, double x, double y);

// Adds the shapes to the drawing wand, each as its own path.
void addShapes(DrawingWand* drawing, const MaskShapes& shapes);

// Draws the shapes held by the drawing wand onto target, filled with the fill picture's pixels
// at the same positions (both images of the same size).
void drawMask(MagickWand* target, const DrawingWand* shapes, MagickWand* fill);

// The pieces of a W x H frame in which drawing `now` can give another result than the frame
// that drew `before` (empty: the first frame): near every outline of either, except where a
// pixel lies deep inside both, whose colour the drawing cannot change.
std::vector<PixelRect> changedPieces(const MaskShapes& now, const MaskShapes& before, int width,
                                     int height);

// The changed pieces in two lists: those that lie deep inside the shapes of `now`, which cover
// every pixel there, and the others, where the drawing decides.
struct ChangedPieces {
    std::vector<PixelRect> drawn;
    std::vector<PixelRect> covered;
};
ChangedPieces splitChangedPieces(const MaskShapes& now, const MaskShapes& before, int width,
                                 int height);

// The same as drawing all the shapes with drawMask, restricted to the pieces: each piece of
// target is replaced by the piece of `start` (target itself when null) with the shapes that
// reach it drawn onto it.
void drawMaskInPieces(MagickWand* target, MagickWand* start, const MaskShapes& shapes,
                      MagickWand* fill, const std::vector<PixelRect>& pieces);

// The whole pixels of the rectangle between two corners, clipped to the frame: a pixel belongs
// to it when its centre does.
PixelRect pixelRect(double x1, double y1, double x2, double y2, int width, int height);

// Replaces the rectangle of target by the same rectangle of source.
void copyRect(MagickWand* target, MagickWand* source, const PixelRect& rect);

// Growing: the mask shows the new picture over the previous frame and accumulates on it.
// Shrinking: the mask shows the previous frame over the new picture, redrawn each frame.
enum class MaskMode { Growing, Shrinking };

// The transition frames of a mask effect: one frame per step, then the new picture as it is.
// A step is the one number a frame follows from (a size, a frame number, ...); the frame's
// shapes or rectangles are built from it only when the frame is drawn. Counting reads the
// number of steps and builds nothing, and drawing walks the same steps, so the two agree.
template <typename Frame> struct StepSequence {
    MaskMode mode = MaskMode::Growing;
    std::vector<int> steps;
    // Builds a frame from its step; none when the rule yields no frames at all.
    std::function<Frame(int step)> build;

    // steps.size() + 1, or 0 when the rule yields no frames.
    std::size_t frameCount() const { return build ? steps.size() + 1 : 0; }
    // Frame i, for i < steps.size().
    Frame frame(std::size_t i) const { return build(steps[i]); }
};

using MaskSequence = StepSequence<MaskShapes>;
using RectSequence = StepSequence<std::vector<PixelRect>>;

// first * factor, (first + 1) * factor, ... up to last * factor; none when last < first.
std::vector<int> multiples(int first, int last, int factor = 1);

// Plays a sequence through the shared frame loop (counting mode included); returns the final
// frame or none.
Image playMaskEffect(EffectInputs& in, const MaskSequence& sequence);
Image playRectEffect(EffectInputs& in, const RectSequence& sequence);

} // namespace velomira
