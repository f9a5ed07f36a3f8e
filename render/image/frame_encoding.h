#pragma once
// The bytes of a frame for its sink: JPEG coded with libjpeg-turbo from 8-bit pixels, or raw
// RGB or 4:2:0 YUV planes for an encoder that takes pixels as they are.
#include "render/frame_format.h"
#include "render/image/magick_handles.h"

#include <vector>

namespace velomira {

// The imaging library's default JPEG quality, which frames have always been written at.
constexpr int kFrameJpegQuality = 92;

// The image's pixels as 8-bit R, G, B, rows top to bottom; false when the export failed.
bool exportRgb24(MagickWand* image, std::vector<unsigned char>& rgb);
// The same into `size` bytes at rgb, which must be exactly the image's 3 x width x height.
bool exportRgb24(MagickWand* image, unsigned char* rgb, std::size_t size);

// A baseline JFIF file at the quality with 4:2:0 chroma sampling; empty on failure.
Blob jpegFromRgb24(const unsigned char* rgb, int width, int height, int quality);

// BT.601 limited-range Y, U and V planes (the encoder's own conversion for yuv420p). Each
// chroma sample averages its 2 x 2 block, or the pixels of it that exist at an odd edge.
// out holds rawFrameBytes(FrameFormat::Yuv420p, width, height) bytes.
void rgb24ToYuv420p(const unsigned char* rgb, int width, int height, unsigned char* out);

// The bytes of a width x height frame of 8-bit R, G, B in the format; empty on failure. Raw
// formats take their memory from the pool when there is one.
Blob encodeRgb24(const unsigned char* rgb, int width, int height, FrameFormat format,
                 FramePool* pool = nullptr);

// The frame's bytes in the format; empty on failure.
Blob encodePixels(MagickWand* image, FrameFormat format);

// A new image holding width x height 8-bit R, G, B pixels; empty on failure.
Image imageFromRgb24(const unsigned char* rgb, int width, int height);

} // namespace velomira
