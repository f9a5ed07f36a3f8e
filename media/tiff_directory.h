#pragma once
// The first image directory of a TIFF structure: a TIFF file's own, or the one inside an EXIF
// block of a JPEG or WebP picture. Only the few fields the program needs are read, within the
// bounds of the stream; the directory chain is never followed, so a looping chain cannot hold
// the reader.
#include "media/bounded_reader.h"

namespace velomira {

struct TiffDirectory {
    long width = 0;
    long height = 0;
    int orientation = 0; // the stored value as it stands; 0 when absent
};

// Reads the TIFF header at base (0 for a TIFF file, the byte after "Exif\0\0" for EXIF) and
// the directory it points to. Returns false for a structure that is not TIFF or leaves the
// stream.
bool readTiffDirectory(BoundedReader& reader, long base, TiffDirectory& directory);

} // namespace velomira
