#pragma once
// One look at a picture file: what the list's checks, its icon and the decoder need to know
// before any pixel is decoded, read through a single open of the file.
#include "media/image_header.h"

#include <string>

namespace velomira {

struct PictureFacts {
    std::string path;
    PictureKind kind = PictureKind::Unreadable;
    // The header's format name and size; sized is false when it gives no usable size (a broken
    // header, or a format the size readers do not know), and the header is then empty.
    bool sized = false;
    ImageHeader header;
    // The EXIF orientation (1 to 8), read for still pictures only; 0 when there is none.
    int orientation = 0;

    bool still() const { return isStillKind(kind); }
    bool animated() const {
        return kind == PictureKind::AnimatedGif || kind == PictureKind::Animated;
    }
    // The clockwise quarter turn that shows the picture upright (0 without an orientation).
    int uprightTurn() const;
};

// Opens the file once and reads its kind, header and orientation from it. A path that is not a
// readable regular file gives the Unreadable kind.
PictureFacts probePicture(const std::string& path);

} // namespace velomira
