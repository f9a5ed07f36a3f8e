#pragma once
// The picture list's icon: a picture scaled into a white box with a thin grey border.
#include "media/picture_probe.h"
#include "platform/failure.h"
#include "render/image/magick_handles.h"

#include <optional>
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

// The line naming a picture that gave no thumbnail: when it is only too large for the imaging
// library, its size and the limits; the vendor's site only when one is configured.
std::string thumbnailRefusalText(const PictureFacts& picture, const std::string& vendorHost);

enum class ThumbnailStatus {
    Made,     // the icon's bytes are there
    NotStill, // an animation: no icon
    NotMade,  // no icon could be made
};

struct ThumbnailResult {
    ThumbnailStatus status = ThumbnailStatus::NotMade;
    // When the picture did not read: the message the window shows the user about it. A batch
    // that names the picture in its own words leaves it unshown.
    std::optional<Failure> failure;
};

// Makes a boxWidth x boxHeight PNG of the probed picture turned clockwise by angle degrees into
// icon. Any thread may call it.
ThumbnailResult makeThumbnailIcon(const PictureFacts& picture, int boxWidth, int boxHeight,
                                  int angle, Blob& icon,
                                  ThumbnailDecode decode = ThumbnailDecode::Reduced);

} // namespace velomira
