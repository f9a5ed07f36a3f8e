#pragma once
// How a frame travels to its sink: a JPEG file, or raw pixels of the frame size that the
// encoder takes as they are (no JPEG coding here and no JPEG decoding there).
#include "app/option_values.h"

#include <cstddef>
#include <cstdint>

namespace velomira {

enum class FrameFormat {
    Jpeg,    // one complete JPEG file per frame (the preview and frame folders always use it)
    Rgb24,   // 8-bit R, G, B per pixel, rows top to bottom
    Yuv420p, // BT.601 limited-range planes Y, U, V; chroma of (W+1)/2 x (H+1)/2
};

// The raw format the raw transport uses: the one that measured fastest end to end here
// (the encoder converts nothing, and half the bytes of RGB cross the pipe).
constexpr FrameFormat kRawFrameFormat = FrameFormat::Yuv420p;

// Raw frames for the raw transport, JPEG frames for any other.
FrameFormat frameFormatForTransport(FrameTransport transport);

// Bytes of one raw frame; 0 for JPEG (its length varies) and for sizes that are not positive.
std::size_t rawFrameBytes(FrameFormat format, int width, int height);

// The encoder's name of a raw format ("rgb24", "yuv420p"); empty for JPEG.
const char* rawPixelFormatName(FrameFormat format);

} // namespace velomira
