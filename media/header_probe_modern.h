#pragma once
// The picture formats of today in the header probe: WebP (RIFF container), HEIF and AVIF (ISO
// base media file with an `ftyp` box) and TIFF. Recognised by their bytes; sizes come from
// the headers without decoding pixels.
#include "media/bounded_reader.h"
#include "media/image_header.h"

#include <cstddef>

namespace velomira {

// The kind of the stream (Webp, Heif, Avif, Tiff, or Animated for an animated WebP or an image
// sequence); Unrecognised for anything else. first holds the stream's first count bytes.
PictureKind probeModernKind(BoundedReader& reader, const unsigned char* first, std::size_t count);

// Fills formatName, width and height for a stream of one of those kinds. False when the header
// gives no usable size.
bool readModernHeader(BoundedReader& reader, PictureKind kind, ImageHeader& header);

} // namespace velomira
