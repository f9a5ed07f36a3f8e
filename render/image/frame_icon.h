#pragma once
// The picture list's icon made from an opaque whole frame already in memory, for imports that
// have just written that frame to a file: reading the file back and going through the imaging
// library's resize and PNG coder costs several times more than writing the frame itself.
// The icon is the one makeThumbnailIcon gives for the frame's file (same size, placement,
// white box and grey border); its pixels differ only by the file's compression loss and the
// rounding of a slightly different reduction.
#include <wand/MagickWand.h>

#include <vector>

namespace velomira {

// PNG bytes of a boxWidth x boxHeight icon: the current image of frame fitted into the box
// (never enlarged) with a triangle filter. Empty when the frame has an alpha channel (its
// icon is composed over white by the library's own thumbnail), cannot be read, or does not
// fit in memory twice.
std::vector<unsigned char> makeFrameIcon(MagickWand* frame, int boxWidth, int boxHeight);

} // namespace velomira
