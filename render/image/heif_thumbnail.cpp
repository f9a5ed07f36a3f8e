#include "render/image/heif_thumbnail.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace velomira {
namespace {

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;

constexpr int kMostThumbnails = 8;

int longSide(const heif_image_handle* handle) {
    return std::max(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
}

} // namespace

bool readHeifThumbnail(const std::string& path, int minLongSide, MagickWand* wand, long long& width,
                       long long& height) {
    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context || heif_context_read_from_file(context.get(), path.c_str(), nullptr).code)
        return false;
    heif_image_handle* raw = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &raw).code)
        return false;
    const Handle primary(raw);
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
    const std::unique_ptr<heif_image, ImageRelease> image(decoded);
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || w < 1 || h < 1 || stride < w * 3)
        return false;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * h * 3);
    for (int row = 0; row < h; ++row)
        std::memcpy(pixels.data() + static_cast<std::size_t>(row) * w * 3,
                    plane + static_cast<std::size_t>(row) * stride,
                    static_cast<std::size_t>(w) * 3);
    if (MagickConstituteImage(wand, static_cast<std::size_t>(w), static_cast<std::size_t>(h), "RGB",
                              CharPixel, pixels.data()) == MagickFalse)
        return false;
    width = heif_image_handle_get_width(primary.get());
    height = heif_image_handle_get_height(primary.get());
    return true;
}

} // namespace velomira
