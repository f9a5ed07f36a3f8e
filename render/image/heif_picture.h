#pragma once
// HEIF and AVIF pictures decoded by libheif straight to 8-bit pixels. Through the imaging
// library the decoder's YCbCr planes become a 16-bit image that is converted and shrunk at full
// size, which costs more than decoding the picture; here a picture meant for a smaller frame is
// shrunk with the vectorised scaler first, as the JPEG decoder's scaling does for JPEGs.
#include "media/heif_handles.h"

#include <wand/MagickWand.h>

#include <string>
#include <utility>
#include <vector>

namespace velomira {

// Reads the primary picture of the file into the (empty) wand, as shown (the file's own
// rotation and mirroring applied by the decoder), with its ICC profile attached. A picture at
// least twice as large as sizeHint in both directions (either orientation) is shrunk to about
// that size; {0, 0} keeps every pixel. False, with the wand untouched, when the file does not
// open or decode here or is larger than the imaging library's limits: the library's own reader
// then gives its reason.
bool readHeifPicture(const std::string& path, std::pair<int, int> sizeHint, MagickWand* wand);

// Opens the file and its primary picture; false when either fails.
bool openHeifPrimary(const std::string& path, HeifContext& context, HeifHandle& primary);

// The decoded interleaved plane (channels bytes a pixel) as rows without padding, and its size:
// libheif's own plane when it has none, else a copy made in `copy`. Null when the plane is
// missing or narrower than it says.
const unsigned char* heifPackedPixels(const heif_image* image, int channels, int& width,
                                      int& height, std::vector<unsigned char>& copy);

} // namespace velomira
