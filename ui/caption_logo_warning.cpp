#include "ui/caption_logo_warning.h"

#include <algorithm>

namespace velomira {

int captionCorner(int captionLocation) {
    // 0..3 at the edge, 4 the middle below, 5..8 the same corners inset.
    if (captionLocation >= 0 && captionLocation < 4)
        return captionLocation;
    if (captionLocation > 4 && captionLocation < kCaptionLocationCount)
        return captionLocation - 5;
    return -1;
}

bool captionUnderLogo(const AlbumProject& album) {
    const VideoSettings& s = album.settings;
    if (!s.textWatermark || !s.logo)
        return false;
    return std::any_of(album.items.begin(), album.items.end(), [&](const AlbumItem& item) {
        return !item.caption.text.empty() && captionCorner(item.caption.location) == s.logoLocation;
    });
}

} // namespace velomira
