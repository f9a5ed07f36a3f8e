#include "app/caption_margins.h"

#include <cmath>

namespace velomira {

float marginFromStored(uint32_t stored, float defaultFraction) {
    // A stored 0 becomes 0.000001 and is taken: the user asked for no margin at all.
    float fraction = static_cast<float>(stored) / 10000.0f + 0.000001f;
    return fraction > 0.0f && fraction < 0.5f ? fraction : defaultFraction;
}

float marginFromPercent(double percent) {
    return static_cast<float>(percent / 100.0 + 0.000001);
}

uint32_t marginToStored(float fraction) {
    double scaled = std::trunc(static_cast<double>(fraction) * 10000.0);
    if (!(scaled > 0.0)) // also NaN
        return 0;
    if (scaled >= 4294967295.0)
        return UINT32_MAX;
    return static_cast<uint32_t>(scaled);
}

} // namespace velomira
