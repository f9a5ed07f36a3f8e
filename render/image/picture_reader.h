#pragma once
// The checked read shared by the image layer: a read counts only when it produced pixels, and
// a failure always comes back with the library's reason text.
#include <wand/MagickWand.h>

#include <string>

namespace velomira {

// Reads (or, with pingOnly, only pings) the file into the wand. Returns false with the reason
// in failure when the file is missing, is not a regular file (a FIFO would block the reader),
// or yields no image or an image without pixels.
bool readImageFile(MagickWand* wand, const std::string& path, std::string& failure,
                   bool pingOnly = false);

// The current image's format name ("JPEG", "PNG", ...), empty when there is none.
std::string imageFormat(MagickWand* wand);

} // namespace velomira
