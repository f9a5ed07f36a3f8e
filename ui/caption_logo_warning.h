#pragma once
// The logo is drawn after the captions, so a caption in the logo's corner ends up under it.
#include "album/album_model.h"

namespace velomira {

inline constexpr const char* kCaptionUnderLogoText =
    "注意：有图片的文字与图标在同一个角，生成的视频中文字会被图标遮住。";

// The corner (the logo position's numbering) a caption position lies in; -1 for the middle.
int captionCorner(int captionLocation);

// Captions and logo both on, and a picture with a caption in the logo's corner.
bool captionUnderLogo(const AlbumProject& album);

} // namespace velomira
