#include "render/image/rgb_scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace velomira {

namespace {

void splitPlanes(const unsigned char* rgb, std::size_t pixels, unsigned char* planes) {
    unsigned char* r = planes;
    unsigned char* g = planes + pixels;
    unsigned char* b = planes + 2 * pixels;
    for (std::size_t i = 0; i < pixels; ++i) {
        r[i] = rgb[3 * i];
        g[i] = rgb[3 * i + 1];
        b[i] = rgb[3 * i + 2];
    }
}

void joinPlanes(const unsigned char* planes, std::size_t pixels, unsigned char* rgb) {
    const unsigned char* r = planes;
    const unsigned char* g = planes + pixels;
    const unsigned char* b = planes + 2 * pixels;
    for (std::size_t i = 0; i < pixels; ++i) {
        rgb[3 * i] = r[i];
        rgb[3 * i + 1] = g[i];
        rgb[3 * i + 2] = b[i];
    }
}

} // namespace

RgbScaler::~RgbScaler() {
    sws_freeContext(context_);
}

bool RgbScaler::scale(const unsigned char* source, int width, int height, RgbFrame& out) {
    if (!source || width <= 0 || height <= 0 || out.empty())
        return false;
    // Lanczos, as the imaging library resizes: its copies stay within a level of the library's
    // (a bicubic filter, a little cheaper, does not). The context is kept while sizes repeat.
    context_ =
        sws_getCachedContext(context_, width, height, AV_PIX_FMT_GRAY8, out.width, out.height,
                             AV_PIX_FMT_GRAY8, SWS_LANCZOS, nullptr, nullptr, nullptr);
    if (!context_)
        return false;
    const std::size_t inPixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t outPixels =
        static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
    planesIn_.resize(3 * inPixels);
    planesOut_.resize(3 * outPixels);
    splitPlanes(source, inPixels, planesIn_.data());
    for (std::size_t p = 0; p < 3; ++p) {
        const std::uint8_t* const in[4] = {planesIn_.data() + p * inPixels, nullptr, nullptr,
                                           nullptr};
        const int inStride[4] = {width, 0, 0, 0};
        std::uint8_t* const result[4] = {planesOut_.data() + p * outPixels, nullptr, nullptr,
                                         nullptr};
        const int outStride[4] = {out.width, 0, 0, 0};
        if (sws_scale(context_, in, inStride, 0, height, result, outStride) != out.height)
            return false;
    }
    joinPlanes(planesOut_.data(), outPixels, out.pixels.data());
    return true;
}

} // namespace velomira
