#include "render/image/heif_thumbnail.h"

#include "media/heif_handles.h"
#include "render/image/heif_picture.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace velomira {
namespace {

using Handle = HeifHandle;

constexpr int kMostThumbnails = 8;

int longSide(const heif_image_handle* handle) {
    return std::max(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
}

} // namespace

bool readHeifThumbnail(const std::string& path, int minLongSide, MagickWand* wand, long long& width,
                       long long& height) {
    HeifContext context;
    Handle primary;
    if (!openHeifPrimary(path, context, primary))
        return false;
    heif_item_id ids[kMostThumbnails];
    const int count =
        heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), ids, kMostThumbnails);
    Handle best;
    for (int i = 0; i < count; ++i) {
        heif_image_handle* candidate = nullptr;
        if (heif_image_handle_get_thumbnail(primary.get(), ids[i], &candidate).code)
            continue;
        Handle thumbnail(candidate);
        if (longSide(thumbnail.get()) >= minLongSide &&
            (!best || longSide(thumbnail.get()) > longSide(best.get())))
            best = std::move(thumbnail);
    }
    if (!best)
        return false;
    heif_image* decoded = nullptr;
    if (heif_decode_image(best.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          nullptr)
            .code)
        return false;
    const HeifImage image(decoded);
    int w = 0;
    int h = 0;
    std::vector<unsigned char> copy;
    const unsigned char* pixels = heifPackedPixels(image.get(), 3, w, h, copy);
    if (!pixels ||
        MagickConstituteImage(wand, static_cast<std::size_t>(w), static_cast<std::size_t>(h), "RGB",
                              CharPixel, pixels) == MagickFalse)
        return false;
    width = heif_image_handle_get_width(primary.get());
    height = heif_image_handle_get_height(primary.get());
    return true;
}

} // namespace velomira
