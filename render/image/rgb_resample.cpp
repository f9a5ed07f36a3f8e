#include "render/image/rgb_resample.h"

#include "render/image/pixel_blend.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

namespace velomira {

namespace {

constexpr int kWeightBits = 8;
constexpr unsigned kWeightOne = 1u << kWeightBits;
// Two samples of a pixel word, each in a 16-bit lane: a weighed sum of two of them stays
// below 255 x 256 + 128 and never carries into the other lane.
constexpr std::uint32_t kLanes = 0x00FF00FFu;
constexpr std::uint32_t kHalf = 0x00800080u;

struct Tap {
    long index;      // the lower source pixel, within 0..size-1
    unsigned weight; // of the upper one, 0..256
};

// The two source pixels around position p and the weight of the upper one; beyond the edges
// both taps fall on the edge pixel.
Tap tapAt(double p, long size) {
    if (p <= 0.0)
        return {0, 0};
    if (p >= static_cast<double>(size - 1))
        return {size - 1, 0};
    const double whole = std::floor(p);
    auto weight = static_cast<unsigned>(std::lround((p - whole) * kWeightOne));
    long index = static_cast<long>(whole);
    if (weight == kWeightOne) {
        ++index;
        weight = 0;
    }
    return {index, weight};
}

unsigned char blend(unsigned upper, unsigned lower, std::uint16_t w0, std::uint16_t w1) {
    const auto sum = static_cast<std::uint16_t>(upper * w0 + lower * w1 + 128u);
    return static_cast<unsigned char>(sum >> kWeightBits);
}

// out = the two rows weighed w0 : w1, count bytes.
void blendRows(const unsigned char* upper, const unsigned char* lower, std::size_t count,
               unsigned weight, unsigned char* out) {
    const auto w1 = static_cast<std::uint16_t>(weight);
    const auto w0 = static_cast<std::uint16_t>(kWeightOne - weight);
    mixBytes(upper, lower, count, out,
             [w0, w1](unsigned a, unsigned b) { return blend(a, b, w0, w1); });
}

std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint32_t w0, std::uint32_t w1) {
    const std::uint32_t low =
        (((a & kLanes) * w0 + (b & kLanes) * w1 + kHalf) >> kWeightBits) & kLanes;
    const std::uint32_t high =
        (((a >> 8) & kLanes) * w0 + ((b >> 8) & kLanes) * w1 + kHalf) & ~kLanes;
    return low | high;
}

} // namespace

RgbxFrame makeRgbxFrame(int width, int height) {
    RgbxFrame frame;
    if (width <= 0 || height <= 0)
        return frame;
    frame.pixels = FrameBuffer(4 * static_cast<std::size_t>(width) * height);
    if (!frame.pixels.empty()) {
        frame.width = width;
        frame.height = height;
    }
    return frame;
}

long RgbResampler::planColumns(long sourceWidth, ResampleAxis across, long width) {
    columns_.resize(static_cast<std::size_t>(width));
    columnWeights_.resize(static_cast<std::size_t>(width));
    long first = sourceWidth - 1;
    long last = 0;
    for (long x = 0; x < width; ++x) {
        const Tap tap = tapAt(across.offset + static_cast<double>(x) * across.step, sourceWidth);
        first = std::min(first, tap.index);
        last = std::max(last, std::min(tap.index + 1, sourceWidth - 1));
        columns_[static_cast<std::size_t>(x)] = static_cast<unsigned>(tap.index);
        columnWeights_[static_cast<std::size_t>(x)] = tap.weight;
    }
    // Column offsets within the span of source columns in use, in bytes. The upper tap of the
    // last source column is the column itself at weight 0: one pixel of slack holds a copy.
    laneWeights_.resize(8 * static_cast<std::size_t>(width));
    for (long x = 0; x < width; ++x) {
        const auto w1 = static_cast<unsigned short>(columnWeights_[static_cast<std::size_t>(x)]);
        std::fill_n(laneWeights_.begin() + 8 * x, 4, static_cast<unsigned short>(kWeightOne - w1));
        std::fill_n(laneWeights_.begin() + 8 * x + 4, 4, w1);
    }
    row_.resize(4 * static_cast<std::size_t>(last - first + 1) + 4);
    for (long x = 0; x < width; ++x)
        columns_[static_cast<std::size_t>(x)] =
            4 * (columns_[static_cast<std::size_t>(x)] - static_cast<unsigned>(first));
    return first;
}

void RgbResampler::resampleRow(const unsigned char* blended, long width, unsigned char* o) const {
    const auto pixelAt = [&](long x) {
        const unsigned char* p = blended + columns_[static_cast<std::size_t>(x)];
        std::uint32_t a = 0;
        std::uint32_t b = 0;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + 4, 4);
        const std::uint32_t w1 = columnWeights_[static_cast<std::size_t>(x)];
        return mix(a, b, kWeightOne - w1, w1);
    };
    // Four pixels at a time in 16-bit lanes (SSE2, which every x86-64 has): a pixel's two
    // source pixels are one 8-byte load. Each pixel is stored as a whole word; its fourth
    // byte lands on the next pixel, which is written after it. The row's last pixel writes
    // its three bytes alone.
    long x = 0;
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(128);
    const auto weighed = [&](long k) {
        const __m128i pair = _mm_loadl_epi64(
            reinterpret_cast<const __m128i*>(blended + columns_[static_cast<std::size_t>(k)]));
        const __m128i lanes =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(laneWeights_.data() + 8 * k));
        return _mm_mullo_epi16(_mm_unpacklo_epi8(pair, zero), lanes);
    };
    const auto sum = [&](__m128i p, __m128i q) {
        const __m128i total = _mm_add_epi16(_mm_unpacklo_epi64(p, q), _mm_unpackhi_epi64(p, q));
        return _mm_srli_epi16(_mm_add_epi16(total, half), kWeightBits);
    };
    for (; x + 4 < width; x += 4, o += 12) {
        __m128i four =
            _mm_packus_epi16(sum(weighed(x), weighed(x + 1)), sum(weighed(x + 2), weighed(x + 3)));
        for (int k = 0; k < 4; ++k) {
            const auto pixel = static_cast<std::uint32_t>(_mm_cvtsi128_si32(four));
            std::memcpy(o + 3 * k, &pixel, 4);
            four = _mm_srli_si128(four, 4);
        }
    }
    for (; x + 1 < width; ++x, o += 3) {
        const std::uint32_t pixel = pixelAt(x);
        std::memcpy(o, &pixel, 4);
    }
    const std::uint32_t pixel = pixelAt(x);
    std::memcpy(o, &pixel, 3);
}

bool RgbResampler::resample(const RgbxFrame& source, ResampleAxis across, ResampleAxis down,
                            RgbFrame& out) {
    if (source.empty() || out.empty())
        return false;
    const long first = planColumns(source.width, across, out.width);
    const std::size_t used = row_.size() - 4;
    for (long y = 0; y < out.height; ++y) {
        const Tap tap = tapAt(down.offset + static_cast<double>(y) * down.step, source.height);
        const unsigned char* upper = source.row(tap.index) + 4 * first;
        const unsigned char* lower =
            source.row(std::min(tap.index + 1, static_cast<long>(source.height) - 1)) + 4 * first;
        unsigned char* blended = row_.data();
        if (tap.weight == 0) {
            std::memcpy(blended, upper, used);
        } else {
            blendRows(upper, lower, used, tap.weight, blended);
        }
        std::memcpy(blended + used, blended + used - 4, 4);
        resampleRow(blended, out.width, out.row(y));
    }
    return true;
}

} // namespace velomira
