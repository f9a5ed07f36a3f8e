#pragma once
// HEVC pictures in HEIF files decoded by libde265 with worker threads. libheif's own libde265
// decoder runs one thread, so a photo whose rows are coded for parallel decoding (wavefronts, as
// encoders write by default) takes one core while the rest of a run waits for the picture.
#include <libheif/heif.h>

#include <cstdint>
#include <span>
#include <vector>

namespace velomira {

// Makes the context decode HEVC pictures with this decoder; other contexts (the imaging
// library's among them) keep libheif's own.
void useThreadedHevcDecoder(heif_context* context);

// The NAL units of the data libheif hands a decoder: each a 4-byte big-endian size, then that
// many bytes. A size that runs past the end ends the list; so does an empty unit.
std::vector<std::span<const std::uint8_t>> splitSizedNalUnits(std::span<const std::uint8_t> data);

} // namespace velomira
