#pragma once
// The checked read shared by the image layer: a read counts only when it produced pixels, and
// a failure always comes back with the library's reason text.
#include "media/image_header.h"

#include <wand/MagickWand.h>

#include <string>

namespace velomira {

// Reads (or, with pingOnly, only pings) the file into the wand. Returns false with the reason
// in failure when the file is missing, is not a regular file (a FIFO would block the reader),
// or yields no image or an image without pixels. A multi-page TIFF gives its first page only. A
// read (not a ping) converts a picture with an embedded colour profile other than sRGB to sRGB
// (convertProfileToSrgb).
bool readImageFile(MagickWand* wand, const std::string& path, std::string& failure,
                   bool pingOnly = false);
// The same for a picture whose kind the caller has probed already (probePicture).
bool readImageFile(MagickWand* wand, const std::string& path, PictureKind kind,
                   std::string& failure, bool pingOnly = false);

// Converts the current image from its embedded ICC profile to sRGB when the profile is not an
// sRGB one. Pictures without a profile, already sRGB, or not RGB at all (CMYK, grey) are left
// exactly as read. Returns false, with the pixels as read, when the conversion was refused (a
// broken profile, no sRGB profile on this system).
bool convertProfileToSrgb(MagickWand* wand);

// Whether the picture last read into the wand (readImageFile, not a ping) came with a warning
// that its data ends early or is damaged ("Premature end of JPEG file"): it decoded, but part
// of it may be grey. The mark stays with the image.
bool pictureDataCutShort(MagickWand* wand);

// The current image's format name ("JPEG", "PNG", ...), empty when there is none.
std::string imageFormat(MagickWand* wand);

} // namespace velomira
