#include "render/image/frame_icon.h"

#include "render/image/thumbnail.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace velomira {

namespace {

// The grey of the list icons' border (as makeThumbnailIcon draws it).
constexpr unsigned char kBorder[3] = {0xd4, 0xd0, 0xc8};

using Size = ThumbnailSize;

// The source pixels that make one output pixel, with their normalised weights.
struct Taps {
    std::size_t start = 0;
    std::vector<float> weights;
};

// A triangle filter stretched over the reduction, as the library's resize places it: output
// pixel x is centred on (x + 0.5) / factor and reaches one reduction step to either side.
std::vector<Taps> triangleTaps(std::size_t in, std::size_t out) {
    const double factor = static_cast<double>(out) / static_cast<double>(in);
    const double stretch = std::max(1.0 / factor, 1.0);
    std::vector<Taps> taps(out);
    for (std::size_t x = 0; x < out; ++x) {
        const double centre = (static_cast<double>(x) + 0.5) / factor;
        const auto start = static_cast<std::size_t>(std::max(centre - stretch + 0.5, 0.0));
        const auto stop =
            static_cast<std::size_t>(std::min(centre + stretch + 0.5, static_cast<double>(in)));
        Taps& t = taps[x];
        t.start = start;
        double total = 0.0;
        for (std::size_t j = start; j < std::max(stop, start + 1); ++j) {
            const double distance = (static_cast<double>(j) - centre + 0.5) / stretch;
            const double weight = std::max(1.0 - std::fabs(distance), 0.0);
            t.weights.push_back(static_cast<float>(weight));
            total += weight;
        }
        if (total <= 0.0) { // cannot happen for a reduction; keep the nearest pixel anyway
            t.weights.assign(t.weights.size(), 0.0f);
            t.weights[0] = 1.0f;
        } else {
            for (float& w : t.weights)
                w = static_cast<float>(w / total);
        }
    }
    return taps;
}

// target += weight * source. In blocks of a fixed length, so that the compiler vectorises it
// without a cost model that allows loop remainders.
void addWeightedRow(float* __restrict target, const unsigned char* __restrict source, float weight,
                    std::size_t count) {
    constexpr std::size_t kBlock = 16;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock)
        for (std::size_t j = 0; j < kBlock; ++j)
            target[i + j] += weight * static_cast<float>(source[i + j]);
    for (; i < count; ++i)
        target[i] += weight * static_cast<float>(source[i]);
}

// Reduces an RGB picture into the box at (left, top) of an RGB canvas of canvasWidth pixels
// per row: the rows first (whole rows at a time, which the compiler vectorises), then the
// columns of the few rows left.
void reduceInto(const unsigned char* pixels, Size from, Size to, std::vector<unsigned char>& canvas,
                std::size_t canvasWidth, std::size_t left, std::size_t top) {
    const auto inWidth = static_cast<std::size_t>(from.width);
    const auto outWidth = static_cast<std::size_t>(to.width);
    const auto outHeight = static_cast<std::size_t>(to.height);
    const std::size_t rowValues = inWidth * 3;
    const std::vector<Taps> rows = triangleTaps(static_cast<std::size_t>(from.height), outHeight);
    const std::vector<Taps> columns = triangleTaps(inWidth, outWidth);
    std::vector<float> reduced(rowValues);
    for (std::size_t y = 0; y < outHeight; ++y) {
        std::fill(reduced.begin(), reduced.end(), 0.0f);
        const Taps& t = rows[y];
        for (std::size_t k = 0; k < t.weights.size(); ++k)
            addWeightedRow(reduced.data(), pixels + (t.start + k) * rowValues, t.weights[k],
                           rowValues);
        unsigned char* out = canvas.data() + ((top + y) * canvasWidth + left) * 3;
        for (std::size_t x = 0; x < outWidth; ++x) {
            const Taps& c = columns[x];
            float sum[3] = {0.0f, 0.0f, 0.0f};
            const float* source = reduced.data() + c.start * 3;
            for (std::size_t k = 0; k < c.weights.size(); ++k, source += 3) {
                sum[0] += c.weights[k] * source[0];
                sum[1] += c.weights[k] * source[1];
                sum[2] += c.weights[k] * source[2];
            }
            for (int channel = 0; channel < 3; ++channel)
                out[x * 3 + channel] =
                    static_cast<unsigned char>(std::clamp(sum[channel] + 0.5f, 0.0f, 255.0f));
        }
    }
}

// The simplified writer reports every failure by its result, so no jump crosses this code.
std::vector<unsigned char> encodePng(const std::vector<unsigned char>& rgb, int width, int height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    image.flags = PNG_IMAGE_FLAG_FAST;
    std::vector<unsigned char> bytes(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t length = bytes.size();
    if (!png_image_write_to_memory(&image, bytes.data(), &length, 0, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    bytes.resize(length);
    return bytes;
}

} // namespace

std::vector<unsigned char> makeFrameIcon(MagickWand* frame, int boxWidth, int boxHeight) try {
    const int innerWidth = boxWidth - 2;
    const int innerHeight = boxHeight - 2;
    if (!frame || innerWidth < 1 || innerHeight < 1 || MagickGetNumberImages(frame) == 0 ||
        MagickGetImageAlphaChannel(frame) == MagickTrue)
        return {};
    const Size size{static_cast<long long>(MagickGetImageWidth(frame)),
                    static_cast<long long>(MagickGetImageHeight(frame))};
    if (size.width < 1 || size.height < 1)
        return {};
    // Written over completely, so not cleared first (a whole frame is large).
    const auto pixels = std::make_unique_for_overwrite<unsigned char[]>(
        static_cast<std::size_t>(size.width * size.height * 3));
    if (MagickExportImagePixels(frame, 0, 0, static_cast<std::size_t>(size.width),
                                static_cast<std::size_t>(size.height), "RGB", CharPixel,
                                pixels.get()) == MagickFalse)
        return {};

    const auto width = static_cast<std::size_t>(boxWidth);
    const auto height = static_cast<std::size_t>(boxHeight);
    std::vector<unsigned char> canvas(width * height * 3);
    for (std::size_t i = 0; i < width * height; ++i)
        std::memcpy(&canvas[i * 3], kBorder, 3);
    for (std::size_t y = 1; y + 1 < height; ++y)
        std::memset(&canvas[(y * width + 1) * 3], 0xff, (width - 2) * 3);

    const Size thumb = fittedThumbnailSize(size, innerWidth, innerHeight);
    const auto left = static_cast<std::size_t>((boxWidth - thumb.width - 2) / 2 + 1);
    const auto top = static_cast<std::size_t>((boxHeight - thumb.height - 2) / 2 + 1);
    reduceInto(pixels.get(), size, thumb, canvas, width, left, top);
    return encodePng(canvas, boxWidth, boxHeight);
} catch (const std::bad_alloc&) {
    return {}; // a frame too large to hold twice: the caller goes through the file
}

} // namespace velomira
