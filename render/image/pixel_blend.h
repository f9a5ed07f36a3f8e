#pragma once
// Mixing two frames of 8-bit samples in whole percent, in plain loops the compiler vectorises:
// a fade touches every sample of every frame, which the imaging library does in 16-bit floating
// point with a full image copy per frame.
#include "render/image/frame_pool.h"

#include <cstddef>

namespace velomira {

// out = (over * percent + under * (100 - percent)) / 100 per sample, rounded to nearest (halves
// up); percent is clamped to 0..100. out may be either input.
void blendPercent(const unsigned char* over, const unsigned char* under, std::size_t count,
                  int percent, unsigned char* out);

} // namespace velomira
