#pragma once
// The picture formats of today in the header probe: WebP (RIFF container), HEIF and AVIF (ISO
// base media file with an `ftyp` box) and TIFF. Recognised by their bytes; sizes come from
// the headers without decoding pixels.
#include "media/bounded_reader.h"
#include "media/image_header.h"

#include <cstddef>

namespace velomira {

// The kind code of the stream (kImageKindWebp, kImageKindHeif, kImageKindAvif, kImageKindTiff,
// or kImageKindAnimated for an animated WebP or an image sequence); kImageKindUnrecognised for
// anything else. first holds the stream's first count bytes.
int probeModernKind(BoundedReader& reader, const unsigned char* first, std::size_t count);

// Fills formatName, width and height for a stream of one of those kinds. False when the header
// gives no usable size.
bool readModernHeader(BoundedReader& reader, int kind, ImageHeader& header);

} // namespace velomira
