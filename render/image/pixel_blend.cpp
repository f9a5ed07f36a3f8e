#include "render/image/pixel_blend.h"

#include <algorithm>
#include <cstdint>

namespace velomira {

namespace {

// At most 255 * 100 + 50: the sums fit 16-bit lanes, and the division by the constant 100
// becomes a multiplication in them.
unsigned char mix(unsigned over, unsigned under, std::uint16_t weight) {
    const auto sum = static_cast<std::uint16_t>(over * weight + under * (100u - weight) + 50u);
    return static_cast<unsigned char>(sum / 100u);
}

// Blocks of a fixed size: the optimiser's cheapest vectorisation only takes loops whose trip
// count it knows.
constexpr std::size_t kBlock = 32;

} // namespace

void blendPercent(const unsigned char* over, const unsigned char* under, std::size_t count,
                  int percent, unsigned char* out) {
    const auto weight = static_cast<std::uint16_t>(std::clamp(percent, 0, 100));
    std::size_t i = 0;
    // A block reads all its inputs before it writes, so an output laid over an input is right.
    for (; i + kBlock <= count; i += kBlock) {
        unsigned char a[kBlock];
        unsigned char b[kBlock];
        std::copy_n(over + i, kBlock, a);
        std::copy_n(under + i, kBlock, b);
        for (std::size_t k = 0; k < kBlock; ++k)
            out[i + k] = mix(a[k], b[k], weight);
    }
    for (; i < count; ++i)
        out[i] = mix(over[i], under[i], weight);
}

} // namespace velomira
