#include "album/encoder_speed.h"

#include "platform/translation.h"

#include <array>

namespace velomira {

namespace {

struct SpeedRow {
    EncoderSpeed speed;
    const char* name;
    const char* label;
    const char* preset;
};

constexpr std::array<SpeedRow, kEncoderSpeedCount> kSpeeds = {{
    {EncoderSpeed::Standard, "standard", N_("标准"), ""},
    {EncoderSpeed::Fast, "fast", N_("快速"), "veryfast"},
    {EncoderSpeed::Fine, "fine", N_("精细"), "slow"},
}};

const SpeedRow& rowOf(EncoderSpeed speed) {
    for (const SpeedRow& row : kSpeeds) {
        if (row.speed == speed)
            return row;
    }
    return kSpeeds[0];
}

} // namespace

const char* encoderSpeedName(EncoderSpeed speed) {
    return rowOf(speed).name;
}

std::optional<EncoderSpeed> parseEncoderSpeed(std::string_view name) {
    for (const SpeedRow& row : kSpeeds) {
        if (name == row.name)
            return row.speed;
    }
    return std::nullopt;
}

const char* encoderSpeedLabel(EncoderSpeed speed) {
    return rowOf(speed).label;
}

std::string encoderSpeedPreset(EncoderSpeed speed) {
    return rowOf(speed).preset;
}

} // namespace velomira
