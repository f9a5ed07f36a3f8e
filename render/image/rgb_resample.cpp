#include "render/image/rgb_resample.h"

#include <algorithm>
#include <cmath>

namespace velomira {

namespace {

constexpr int kWeightBits = 8;
constexpr unsigned kWeightOne = 1u << kWeightBits;

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

} // namespace

bool RgbResampler::resample(const RgbFrame& source, ResampleAxis across, ResampleAxis down,
                            RgbFrame& out) {
    if (source.empty() || out.empty())
        return false;
    const long outWidth = out.width;
    columns_.resize(static_cast<std::size_t>(outWidth));
    columnWeights_.resize(static_cast<std::size_t>(outWidth));
    long first = source.width - 1;
    long last = 0;
    for (long x = 0; x < outWidth; ++x) {
        const Tap tap = tapAt(across.offset + static_cast<double>(x) * across.step, source.width);
        first = std::min(first, tap.index);
        last = std::max(last, std::min(tap.index + 1, static_cast<long>(source.width) - 1));
        columns_[static_cast<std::size_t>(x)] = static_cast<unsigned>(tap.index);
        columnWeights_[static_cast<std::size_t>(x)] = static_cast<unsigned short>(tap.weight);
    }
    // Column offsets relative to the span of source columns in use, in bytes; the upper tap of
    // the last source column is itself (weight 0), so the span needs one pixel of slack.
    const std::size_t spanBytes = 3 * static_cast<std::size_t>(last - first + 2);
    row_.resize(spanBytes);
    for (long x = 0; x < outWidth; ++x)
        columns_[static_cast<std::size_t>(x)] =
            3 * (columns_[static_cast<std::size_t>(x)] - static_cast<unsigned>(first));

    const std::size_t used = 3 * static_cast<std::size_t>(last - first + 1);
    for (long y = 0; y < out.height; ++y) {
        const Tap tap = tapAt(down.offset + static_cast<double>(y) * down.step, source.height);
        const unsigned char* upper = source.row(tap.index) + 3 * first;
        const unsigned char* lower =
            source.row(std::min(tap.index + 1, static_cast<long>(source.height) - 1)) + 3 * first;
        unsigned char* blended = row_.data();
        if (tap.weight == 0) {
            std::copy(upper, upper + used, blended);
        } else {
            const auto w1 = static_cast<unsigned short>(tap.weight);
            const auto w0 = static_cast<unsigned short>(kWeightOne - tap.weight);
            for (std::size_t i = 0; i < used; ++i)
                blended[i] = static_cast<unsigned char>(
                    static_cast<unsigned short>(upper[i] * w0 + lower[i] * w1 + 128u) >>
                    kWeightBits);
        }
        std::copy(blended + used - 3, blended + used, blended + used); // slack pixel
        unsigned char* o = out.row(y);
        for (long x = 0; x < outWidth; ++x, o += 3) {
            const unsigned char* p = blended + columns_[static_cast<std::size_t>(x)];
            const unsigned w1 = columnWeights_[static_cast<std::size_t>(x)];
            const unsigned w0 = kWeightOne - w1;
            o[0] = static_cast<unsigned char>((p[0] * w0 + p[3] * w1 + 128u) >> kWeightBits);
            o[1] = static_cast<unsigned char>((p[1] * w0 + p[4] * w1 + 128u) >> kWeightBits);
            o[2] = static_cast<unsigned char>((p[2] * w0 + p[5] * w1 + 128u) >> kWeightBits);
        }
    }
    return true;
}

} // namespace velomira
