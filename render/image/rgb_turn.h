#pragma once
// Turning an 8-bit picture about its centre and laying it over a frame, sampled bilinearly as
// the imaging library's turn with bilinear interpolation samples it: the same bounding box, the
// same pixel centres, and the corners it uncovers left transparent.
#include "render/image/rgb_frame.h"

namespace velomira {

// Lays the picture, turned clockwise by degrees and at the opacity (0..1), over the frame with
// the turned picture's bounding box at ((frame width - box width) / 2, (frame height - box
// height) / 2). Whole quarter turns move pixels without resampling.
void turnOver(const RgbFrame& picture, double degrees, double opacity, RgbFrame& frame);

} // namespace velomira
