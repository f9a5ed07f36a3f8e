#pragma once
// Bilinear resampling of an 8-bit R, G, B frame under a scale and a sub-pixel shift: the slow
// camera moves draw every frame this way, so the view glides in fractions of a pixel instead
// of stepping by whole ones. Fixed-point weights of 1/256 pixel; rows are blended in loops the
// compiler vectorises.
#include "render/image/rgb_frame.h"

#include <vector>

namespace velomira {

// Output pixel i of an axis samples the source at offset + i * step (pixel centres at whole
// numbers); places beyond the source take its edge pixels.
struct ResampleAxis {
    double offset = 0.0;
    double step = 1.0;
};

class RgbResampler {
  public:
    // Fills out (its own size) from source; false when either is empty.
    bool resample(const RgbFrame& source, ResampleAxis across, ResampleAxis down, RgbFrame& out);

  private:
    std::vector<unsigned> columns_; // per output pixel: byte offset of its left source pixel
    std::vector<unsigned short> columnWeights_;
    std::vector<unsigned char> row_; // the two source rows blended, for the span in use
};

} // namespace velomira
