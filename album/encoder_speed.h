#pragma once
// How much time the encoder spends per frame: a quick draft, the encoder's default, or the
// smallest file at the same quality. Names are the command line's, the batch file's and the
// project file's; labels the window's.
#include <optional>
#include <string>
#include <string_view>

namespace velomira {

enum class EncoderSpeed {
    Standard = 0, // the encoder's default preset: the line as it always was
    Fast = 1,
    Fine = 2,
};

inline constexpr int kEncoderSpeedCount = 3;

// "standard", "fast", "fine".
const char* encoderSpeedName(EncoderSpeed speed);
std::optional<EncoderSpeed> parseEncoderSpeed(std::string_view name);

// The window's label: "标准", "快速", "精细" (marked for translation, not translated).
const char* encoderSpeedLabel(EncoderSpeed speed);

// The x264 preset the speed asks for; empty for the standard speed, which names none.
std::string encoderSpeedPreset(EncoderSpeed speed);

} // namespace velomira
