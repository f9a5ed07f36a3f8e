#include "render/image/heif_picture.h"

#include "media/heif_handles.h"
#include "render/image/heif_hevc_decoder.h"
#include "render/image/rgb_frame.h"
#include "render/image/rgb_scaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace velomira {

namespace {

// Below this share of the picture's size a shrink first pays for itself.
constexpr double kWorthShrinking = 0.8;

// The size the decoded picture is shrunk to: the smallest that still covers the hint, which
// keeps the picture's proportions, so its orientation is matched to the picture's.
std::pair<int, int> shrunkSize(int width, int height, std::pair<int, int> hint) {
    auto [hintWidth, hintHeight] = hint;
    if (hintWidth <= 0 || hintHeight <= 0)
        return {width, height};
    if ((width > height) != (hintWidth > hintHeight))
        std::swap(hintWidth, hintHeight);
    const double scale =
        std::max(static_cast<double>(hintWidth) / width, static_cast<double>(hintHeight) / height);
    if (scale >= kWorthShrinking)
        return {width, height};
    return {std::max(1, static_cast<int>(std::ceil(width * scale))),
            std::max(1, static_cast<int>(std::ceil(height * scale)))};
}

bool withinLibraryLimits(int width, int height) {
    const auto limit = [](ResourceType type) { return MagickGetResourceLimit(type); };
    return static_cast<MagickSizeType>(width) <= limit(WidthResource) &&
           static_cast<MagickSizeType>(height) <= limit(HeightResource) &&
           static_cast<MagickSizeType>(width) * static_cast<MagickSizeType>(height) <=
               limit(AreaResource);
}

} // namespace

const unsigned char* heifPackedPixels(const heif_image* image, int channels, int& width,
                                      int& height, std::vector<unsigned char>& copy) {
    width = heif_image_get_width(image, heif_channel_interleaved);
    height = heif_image_get_height(image, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    if (!plane || width < 1 || height < 1 || static_cast<std::size_t>(stride) < rowBytes)
        return nullptr;
    if (static_cast<std::size_t>(stride) == rowBytes)
        return plane;
    copy.resize(rowBytes * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row)
        std::memcpy(copy.data() + row * rowBytes, plane + static_cast<std::size_t>(row) * stride,
                    rowBytes);
    return copy.data();
}

namespace {

void attachColourProfile(const heif_image_handle* handle, MagickWand* wand) {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
        return;
    std::vector<unsigned char> profile(heif_image_handle_get_raw_color_profile_size(handle));
    if (profile.empty() || heif_image_handle_get_raw_color_profile(handle, profile.data()).code)
        return;
    MagickSetImageProfile(wand, "icc", profile.data(), profile.size());
}

} // namespace

bool openHeifPrimary(const std::string& path, HeifContext& context, HeifHandle& primary) {
    context.reset(heif_context_alloc());
    if (!context || heif_context_read_from_file(context.get(), path.c_str(), nullptr).code)
        return false;
    heif_image_handle* raw = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &raw).code)
        return false;
    primary.reset(raw);
    return true;
}

namespace {

bool constitute(MagickWand* wand, int width, int height, const char* map,
                const unsigned char* pixels) {
    if (MagickConstituteImage(wand, static_cast<std::size_t>(width),
                              static_cast<std::size_t>(height), map, CharPixel,
                              pixels) == MagickFalse) {
        MagickClearException(wand);
        return false;
    }
    return true;
}

// Interleaved 8-bit pixels, converted by libheif: a picture with transparency (kept whole:
// the scaler works on opaque pixels) or of more than 8 bits.
bool readInterleaved(const heif_image_handle* handle, bool alpha, std::pair<int, int> sizeHint,
                     MagickWand* wand) {
    heif_image* decoded = nullptr;
    if (heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          nullptr)
            .code)
        return false;
    const HeifImage image(decoded);
    int width = 0;
    int height = 0;
    std::vector<unsigned char> copy;
    const unsigned char* pixels = heifPackedPixels(image.get(), alpha ? 4 : 3, width, height, copy);
    if (!pixels)
        return false;
    if (alpha)
        return constitute(wand, width, height, "RGBA", pixels);
    const auto [shrunkWidth, shrunkHeight] = shrunkSize(width, height, sizeHint);
    RgbFrame shrunk;
    if (shrunkWidth != width || shrunkHeight != height) {
        RgbScaler scaler;
        shrunk = makeRgbFrame(shrunkWidth, shrunkHeight);
        if (shrunk.empty() || !scaler.scale(pixels, width, height, shrunk))
            return false;
        return constitute(wand, shrunkWidth, shrunkHeight, "RGB", shrunk.data());
    }
    return constitute(wand, width, height, "RGB", pixels);
}

// An opaque picture, taken as the R, G, B planes libheif decodes to: the scaler shrinks planes,
// so neither libheif nor the scaler interleaves the picture at full size.
bool readOpaque(const heif_image_handle* handle, std::pair<int, int> sizeHint, MagickWand* wand) {
    heif_image* decoded = nullptr;
    if (heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_444, nullptr).code)
        return false;
    const HeifImage image(decoded);
    const heif_channel channels[3] = {heif_channel_R, heif_channel_G, heif_channel_B};
    const unsigned char* planes[3] = {};
    int strides[3] = {};
    const int width = heif_image_get_width(image.get(), heif_channel_R);
    const int height = heif_image_get_height(image.get(), heif_channel_R);
    for (int c = 0; c < 3; ++c) {
        planes[c] = heif_image_get_plane_readonly(image.get(), channels[c], &strides[c]);
        if (!planes[c] || heif_image_get_bits_per_pixel(image.get(), channels[c]) != 8 ||
            heif_image_get_width(image.get(), channels[c]) != width ||
            heif_image_get_height(image.get(), channels[c]) != height || strides[c] < width)
            return false;
    }
    if (width < 1 || height < 1)
        return false;
    const auto [shrunkWidth, shrunkHeight] = shrunkSize(width, height, sizeHint);
    RgbFrame frame = makeRgbFrame(shrunkWidth, shrunkHeight);
    if (frame.empty())
        return false;
    if (shrunkWidth != width || shrunkHeight != height) {
        RgbScaler scaler;
        if (!scaler.scalePlanes(planes, strides, width, height, frame))
            return false;
    } else {
        for (int y = 0; y < height; ++y) {
            unsigned char* row = frame.row(y);
            for (int c = 0; c < 3; ++c) {
                const unsigned char* plane = planes[c] + static_cast<std::size_t>(y) * strides[c];
                for (int x = 0; x < width; ++x)
                    row[3 * x + c] = plane[x];
            }
        }
    }
    return constitute(wand, frame.width, frame.height, "RGB", frame.data());
}

} // namespace

bool readHeifPicture(const std::string& path, std::pair<int, int> sizeHint, MagickWand* wand) {
    HeifContext context;
    HeifHandle handle;
    if (!openHeifPrimary(path, context, handle) ||
        !withinLibraryLimits(heif_image_handle_get_width(handle.get()),
                             heif_image_handle_get_height(handle.get())))
        return false;
    useThreadedHevcDecoder(context.get(),
                           usesStreamColour(handle.get()) ? HevcOutput::Rgb : HevcOutput::Ycbcr);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const bool read = alpha || heif_image_handle_get_luma_bits_per_pixel(handle.get()) != 8
                          ? readInterleaved(handle.get(), alpha, sizeHint, wand)
                          : readOpaque(handle.get(), sizeHint, wand);
    if (read)
        attachColourProfile(handle.get(), wand);
    return read;
}

} // namespace velomira
