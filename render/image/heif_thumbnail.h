#pragma once
// The thumbnail that phones embed in their HEIC photos: decoding it costs a fraction of
// decoding the 12-megapixel picture, and it is all the picture list's icon needs.
#include <wand/MagickWand.h>

#include <string>

namespace velomira {

// Reads the largest embedded thumbnail of a HEIF or AVIF file into wand when its longer side
// has at least minLongSide pixels, and gives the primary picture's size as shown (after the
// file's own rotation, which the decoder applies to the thumbnail too). False, with wand
// untouched, when the file has no such thumbnail or it does not decode.
bool readHeifThumbnail(const std::string& path, int minLongSide, MagickWand* wand, long long& width,
                       long long& height);

} // namespace velomira
