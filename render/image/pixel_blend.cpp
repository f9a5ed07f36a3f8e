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

} // namespace

void blendPercent(const unsigned char* over, const unsigned char* under, std::size_t count,
                  int percent, unsigned char* out) {
    const auto weight = static_cast<std::uint16_t>(std::clamp(percent, 0, 100));
    mixBytes(over, under, count, out,
             [weight](unsigned a, unsigned b) { return mix(a, b, weight); });
}

} // namespace velomira
