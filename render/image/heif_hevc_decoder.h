#pragma once
// HEVC pictures in HEIF files decoded by libde265 with worker threads. libheif's own libde265
// decoder runs one thread, so a photo whose rows are coded for parallel decoding (wavefronts, as
// encoders write by default) takes one core while the rest of a run waits for the picture.
#include <libheif/heif.h>

#include <cstdint>
#include <span>
#include <vector>

namespace velomira {

enum class HevcOutput {
    // The decoded YCbCr planes, which libheif converts at full size with floats.
    Ycbcr,
    // An 8-bit full-range picture comes out as RGB, converted as libheif converts it (the colour
    // matrix its stream declares, each chroma sample serving the pixels it covers); others as
    // YCbCr. Only for a file whose picture has no colour box of its own: libheif lets that
    // override the stream's colour, and a decoder is not told of it.
    Rgb,
};

// Makes the context decode HEVC pictures with this decoder; other contexts (the imaging
// library's among them) keep libheif's own. Takes effect for the pictures decoded after it.
void useThreadedHevcDecoder(heif_context* context, HevcOutput output = HevcOutput::Ycbcr);

// Whether the file's own colour box leaves the stream's colour in force: HevcOutput::Rgb is then
// safe for the picture.
bool usesStreamColour(const heif_image_handle* picture);

// The NAL units of the data libheif hands a decoder: each a 4-byte big-endian size, then that
// many bytes. A size that runs past the end ends the list; so does an empty unit.
std::vector<std::span<const std::uint8_t>> splitSizedNalUnits(std::span<const std::uint8_t> data);

} // namespace velomira
