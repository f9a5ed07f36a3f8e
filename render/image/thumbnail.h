#pragma once
// The picture list's icon: a picture scaled into a white box with a thin grey border.
#include "render/image/magick_handles.h"

#include <string>

namespace velomira {

// How the picture is decoded. Reduced lets the JPEG reader decode at a fraction of the size
// (the result has the same geometry); Full decodes every pixel and exists for comparison.
enum class ThumbnailDecode { Reduced, Full };

// The size a picture is given inside the icon's inner box: it fills the box along its longer
// side; a picture that already fits keeps its size.
struct ThumbnailSize {
    long long width = 0;
    long long height = 0;
};
ThumbnailSize fittedThumbnailSize(ThumbnailSize picture, int innerWidth, int innerHeight);

// Makes a boxWidth x boxHeight PNG of the picture turned clockwise by angle degrees.
// The line naming a picture that gave no thumbnail: when it is only too large for the imaging
// library, its size and the limits; the vendor's site only when one is configured.
std::string thumbnailRefusalText(const std::string& path, const std::string& vendorHost);

// Returns 1 with the bytes in icon; -1 for a picture that is not still (an animation); 0 when
// no icon could be made. When the picture does not read, the library's reason goes into
// failure when one is given (any thread may call it then); without one the user is told.
int makeThumbnailIcon(const std::string& path, int boxWidth, int boxHeight, int angle, Blob& icon,
                      ThumbnailDecode decode = ThumbnailDecode::Reduced,
                      std::string* failure = nullptr);

} // namespace velomira
