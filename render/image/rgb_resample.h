#pragma once
// Bilinear resampling of an 8-bit picture under a scale and a sub-pixel shift: the slow camera
// moves draw every frame this way, so the view glides in fractions of a pixel instead of
// stepping by whole ones. The source keeps four bytes a pixel (R, G, B and one unused), so a
// pixel's two source pixels are one 8-byte load weighed in 16-bit lanes; weights are
// fixed-point in 1/256 pixel.
#include "render/image/rgb_frame.h"

#include <vector>

namespace velomira {

// width x height pixels of R, G, B and a fourth byte that is carried along but never shown.
struct RgbxFrame {
    FrameBuffer pixels;
    int width = 0;
    int height = 0;

    bool empty() const { return pixels.empty(); }
    std::size_t stride() const { return 4 * static_cast<std::size_t>(width); }
    unsigned char* row(long y) const {
        return pixels.data() + static_cast<std::size_t>(y) * stride();
    }
};

// A zeroed frame; empty when the size is not positive or the memory is not there.
RgbxFrame makeRgbxFrame(int width, int height);

// Output pixel i of an axis samples the source at offset + i * step (pixel centres at whole
// numbers); places beyond the source take its edge pixels.
struct ResampleAxis {
    double offset = 0.0;
    double step = 1.0;
};

class RgbResampler {
  public:
    // Fills out (its own size, R, G, B) from source; false when either is empty.
    bool resample(const RgbxFrame& source, ResampleAxis across, ResampleAxis down, RgbFrame& out);

  private:
    // Plans the columns for an output row of `width` pixels: their offsets within the span of
    // source columns in use and their weights. Returns the span's first source column.
    long planColumns(long sourceWidth, ResampleAxis across, long width);
    // One output row from the blended source row.
    void resampleRow(const unsigned char* blended, long width, unsigned char* o) const;

    std::vector<unsigned> columns_; // per output pixel: byte offset of its left source pixel
    std::vector<unsigned> columnWeights_;
    // Per output pixel 8 lanes of 16 bits: the left pixel's weight 4 times, the right's 4 times.
    std::vector<unsigned short> laneWeights_;
    std::vector<unsigned char> row_; // the two source rows blended, for the span in use
};

} // namespace velomira
