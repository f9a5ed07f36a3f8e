#pragma once
// W x H frames of 8-bit R, G, B held apart from the heap, and the row operations that the
// effects' 8-bit paths draw with: copies of blocks and blends by a coverage mask. An effect
// that builds its frames from these hands them to the encoder without an image per frame.
#include "render/image/frame_pool.h"
#include "render/image/magick_handles.h"
#include "render/image/pixel_blend.h"

#include <cstddef>
#include <vector>

namespace velomira {

struct RgbFrame {
    FrameBuffer pixels;
    int width = 0;
    int height = 0;

    bool empty() const { return pixels.empty(); }
    std::size_t stride() const { return 3 * static_cast<std::size_t>(width); }
    unsigned char* row(long y) const {
        return pixels.data() + static_cast<std::size_t>(y) * stride();
    }
    const unsigned char* data() const { return pixels.data(); }
    std::size_t bytes() const { return stride() * static_cast<std::size_t>(height); }
};

// A zeroed (black) frame; empty when the size is not positive or the memory is not there. Its
// memory comes from the pool when there is one (and returns there).
RgbFrame makeRgbFrame(int width, int height, FramePool* pool = nullptr);

// Gives the frame a new size, keeping its memory when it is large enough (scaled copies change
// size every frame), its pixels undefined; false, and the frame empty, when the memory is not
// there.
bool reshapeRgbFrame(RgbFrame& frame, int width, int height, FramePool* pool = nullptr);

// The image's pixels when it is an opaque width x height image; empty otherwise, so that a
// frame with transparency or of an unexpected size stays with the imaging library.
RgbFrame takeOpaqueRgb(MagickWand* image, int width, int height, FramePool* pool = nullptr);

// Writes the frame's pixels into an image of the same size (the library then draws on from
// them); false when the sizes differ or the import failed.
bool importRgb(const RgbFrame& frame, MagickWand* image);

// Copies all pixels of a frame of the same size.
void copyFrame(const RgbFrame& from, RgbFrame& to);

// A block of pixels: from (fromX, fromY) of one frame to (toX, toY) of another.
struct RgbBlock {
    long width = 0;
    long height = 0;
    long fromX = 0;
    long fromY = 0;
    long toX = 0;
    long toY = 0;
};

// Copies the block, clipped to both frames (negative places are fine).
void copyBlock(const RgbFrame& from, RgbFrame& to, RgbBlock block);

// Lays the image (any size, its alpha weighing its pixels against the frame's) over the frame
// with its top-left corner at (x, y), clipped to the frame; false when its pixels could not be
// read. scratch holds them between calls.
bool composeImageOver(MagickWand* image, long x, long y, RgbFrame& frame,
                      std::vector<unsigned char>& scratch);

// Over the rectangle at (x, y) of the frames: out = over * m + under * (255 - m), rounded,
// where m is the coverage (width x height bytes, rows top to bottom). out may be under.
void blendByCoverage(const RgbFrame& over, const RgbFrame& under, RgbFrame& out, long x, long y,
                     long width, long height, const unsigned char* coverage);

} // namespace velomira
