#include "render/image/rgb_scaler.h"

#include <cstring>

extern "C" {
#include <libswscale/swscale.h>
}

namespace velomira {

namespace {

// libswscale's vector code reads and writes whole blocks past a row's end: every plane row
// gets a stride rounded up to 64 bytes and every plane a spare block after its last row.
constexpr std::size_t kRowAlign = 64;
constexpr std::size_t kPlanePadding = 256;

std::size_t strideFor(int width) {
    return (static_cast<std::size_t>(width) + kRowAlign - 1) / kRowAlign * kRowAlign;
}

void splitPlanes(const unsigned char* rgb, int width, int height, std::size_t stride,
                 std::size_t planeSize, unsigned char* planes) {
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = rgb + 3 * static_cast<std::size_t>(y) * width;
        for (std::size_t c = 0; c < 3; ++c) {
            unsigned char* plane = planes + c * planeSize + static_cast<std::size_t>(y) * stride;
            for (int x = 0; x < width; ++x)
                plane[x] = row[3 * x + c];
        }
    }
}

void joinPlanes(const unsigned char* planes, int width, int height, std::size_t stride,
                std::size_t planeSize, unsigned char* rgb) {
    for (int y = 0; y < height; ++y) {
        unsigned char* row = rgb + 3 * static_cast<std::size_t>(y) * width;
        for (std::size_t c = 0; c < 3; ++c) {
            const unsigned char* plane =
                planes + c * planeSize + static_cast<std::size_t>(y) * stride;
            for (int x = 0; x < width; ++x)
                row[3 * x + c] = plane[x];
        }
    }
}

} // namespace

RgbScaler::~RgbScaler() {
    sws_freeContext(context_);
}

bool RgbScaler::reserve(FrameBuffer& planes, std::size_t size) {
    if (planes.size() >= size)
        return true;
    planes = FrameBuffer(); // back to the pool first, where a larger take may find it
    // Copies that grow a little every frame find room here for several frames.
    planes = pool_ ? pool_->take(size + size / 4, false) : FrameBuffer(size);
    return !planes.empty();
}

template <typename Fill>
bool RgbScaler::scaleFilled(int width, int height, RgbFrame& out, const Fill& fill) {
    if (width <= 0 || height <= 0 || out.empty())
        return false;
    // Lanczos, as the imaging library resizes: its copies stay within a level of the library's
    // (a bicubic filter, a little cheaper, does not). The context is kept while sizes repeat.
    context_ =
        sws_getCachedContext(context_, width, height, AV_PIX_FMT_GRAY8, out.width, out.height,
                             AV_PIX_FMT_GRAY8, SWS_LANCZOS, nullptr, nullptr, nullptr);
    if (!context_)
        return false;
    const std::size_t inStride = strideFor(width);
    const std::size_t outStride = strideFor(out.width);
    const std::size_t inPlane = inStride * static_cast<std::size_t>(height) + kPlanePadding;
    const std::size_t outPlane = outStride * static_cast<std::size_t>(out.height) + kPlanePadding;
    if (!reserve(planesIn_, 3 * inPlane) || !reserve(planesOut_, 3 * outPlane))
        return false;
    fill(inStride, inPlane);
    for (std::size_t p = 0; p < 3; ++p) {
        const std::uint8_t* const in[4] = {planesIn_.data() + p * inPlane, nullptr, nullptr,
                                           nullptr};
        const int inStrides[4] = {static_cast<int>(inStride), 0, 0, 0};
        std::uint8_t* const result[4] = {planesOut_.data() + p * outPlane, nullptr, nullptr,
                                         nullptr};
        const int outStrides[4] = {static_cast<int>(outStride), 0, 0, 0};
        if (sws_scale(context_, in, inStrides, 0, height, result, outStrides) != out.height)
            return false;
    }
    joinPlanes(planesOut_.data(), out.width, out.height, outStride, outPlane, out.pixels.data());
    return true;
}

bool RgbScaler::scale(const unsigned char* source, int width, int height, RgbFrame& out) {
    if (!source)
        return false;
    return scaleFilled(width, height, out, [&](std::size_t stride, std::size_t planeSize) {
        splitPlanes(source, width, height, stride, planeSize, planesIn_.data());
    });
}

bool RgbScaler::scalePlanes(const unsigned char* const planes[3], const int strides[3], int width,
                            int height, RgbFrame& out) {
    if (!planes[0] || !planes[1] || !planes[2])
        return false;
    // Copied into padded rows: the vector code reads past a row's end.
    return scaleFilled(width, height, out, [&](std::size_t stride, std::size_t planeSize) {
        for (std::size_t c = 0; c < 3; ++c)
            for (int y = 0; y < height; ++y)
                std::memcpy(planesIn_.data() + c * planeSize + static_cast<std::size_t>(y) * stride,
                            planes[c] + static_cast<std::size_t>(y) * strides[c],
                            static_cast<std::size_t>(width));
    });
}

} // namespace velomira
