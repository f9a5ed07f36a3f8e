#pragma once
// Mixing two frames of 8-bit samples in whole percent, in plain loops the compiler vectorises:
// a fade touches every sample of every frame, which the imaging library does in 16-bit floating
// point with a full image copy per frame.
#include "render/image/frame_pool.h"

#include <algorithm>
#include <cstddef>

namespace velomira {

// out[i] = mix(a[i], b[i]) for count bytes. Blocks of a fixed size: the optimiser's cheapest
// vectorisation only takes loops whose trip count it knows. A block reads all its inputs before
// it writes, so an output laid over an input is right.
template <typename Mix>
void mixBytes(const unsigned char* a, const unsigned char* b, std::size_t count, unsigned char* out,
              const Mix& mix) {
    constexpr std::size_t kBlock = 32;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        unsigned char blockA[kBlock];
        unsigned char blockB[kBlock];
        std::copy_n(a + i, kBlock, blockA);
        std::copy_n(b + i, kBlock, blockB);
        for (std::size_t k = 0; k < kBlock; ++k)
            out[i + k] = mix(blockA[k], blockB[k]);
    }
    for (; i < count; ++i)
        out[i] = mix(a[i], b[i]);
}

// out = (over * percent + under * (100 - percent)) / 100 per sample, rounded to nearest (halves
// up); percent is clamped to 0..100. out may be either input.
void blendPercent(const unsigned char* over, const unsigned char* under, std::size_t count,
                  int percent, unsigned char* out);

} // namespace velomira
