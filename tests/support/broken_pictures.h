#pragma once
// Files that pass a header check but give no pixels: the hostile pictures a user drops or a
// project names. Every writer returns the path it wrote, or throws std::runtime_error.
#include <string>

namespace velomira::testing {

// A PNG signature and a well-formed IHDR (correct CRC) announcing width x height, no image data.
std::string writePngAnnouncing(const std::string& path, unsigned width, unsigned height);

// BMP file and info headers (24 bits) announcing width x height, no pixel rows.
std::string writeBmpAnnouncing(const std::string& path, int width, int height);

// A real 16 x 16 JPEG whose frame header claims width x height instead.
std::string writeJpegAnnouncing(const std::string& path, int width, int height);

// The complete headers of a real 64 x 48 picture ("jpg": up to the start of scan; "png": the
// signature and IHDR), then bytes of noise drawn from seed.
std::string writeNoiseBehindHeader(const std::string& path, const std::string& format,
                                   unsigned seed);

} // namespace velomira::testing
