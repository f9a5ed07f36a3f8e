#pragma once
// The five caption margins: fractions of the video size, kept in the settings store as
// ten-thousandths and edited in the margin dialog as percentages.
#include <cstdint>

namespace velomira {

inline constexpr float kDefaultCenterBottomMargin = 0.15001f;
inline constexpr float kDefaultCornerMargin = 0.06001f;

struct CaptionMargins {
    float centerBottom = kDefaultCenterBottomMargin; // position "中间下方"
    float left = kDefaultCornerMargin;
    float right = kDefaultCornerMargin;
    float top = kDefaultCornerMargin;
    float bottom = kDefaultCornerMargin;
};

// A stored value v becomes v / 10000 + 0.000001, taken only strictly between 0 and 0.5.
// A stored 0 (no margin recorded at all) and anything out of range give defaultFraction.
float marginFromStored(uint32_t stored, float defaultFraction);

// The margin dialog's percentage p (0.01 to 49.99) as a fraction: p / 100 + 0.000001. The
// small addition keeps the truncation in marginToStored from landing one below (6 % → 600).
float marginFromPercent(double percent);

// trunc(fraction × 10000), clamped to the range of the stored number.
uint32_t marginToStored(float fraction);

} // namespace velomira
