#pragma once
// Turning an 8-bit picture about its centre, or drawing it in perspective, and laying it over a
// frame, sampled bilinearly as the imaging library's distortions with bilinear interpolation
// sample it: the same bounding box, the same pixel centres, and what lies beyond the picture's
// edges transparent.
#include "render/image/rgb_frame.h"

namespace velomira {

// Lays the picture, turned clockwise by degrees and at the opacity (0..1), over the frame with
// the turned picture's bounding box at ((frame width - box width) / 2, (frame height - box
// height) / 2). Whole quarter turns move pixels without resampling.
void turnOver(const RgbFrame& picture, double degrees, double opacity, RgbFrame& frame);

// Whether the four points (as for perspectiveOver) give a perspective.
bool givesPerspective(const double points[16]);

// Lays the picture over the frame in perspective: the four points (source x, source y,
// destination x, destination y; x 4) map its corners, the bounding box of the result has its
// top-left corner at (x, y) of the frame. False, and nothing drawn, when the points give no
// perspective (a degenerate quadrilateral).
bool perspectiveOver(const RgbFrame& picture, const double points[16], long x, long y,
                     RgbFrame& frame);

} // namespace velomira
