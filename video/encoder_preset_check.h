#pragma once
// Whether the installed encoder knows a speed preset, asked before a run that names one, so a
// preset it lacks is refused up front instead of failing the run after its first frames.
#include "platform/failure.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

// The trial's arguments: one black 16 x 16 frame from /dev/zero encoded at the preset and
// thrown away.
std::vector<std::string> presetTrialArguments(const std::string& preset);

// The refusal naming the preset.
Failure unknownPresetFailure(const std::string& preset);

// None when the preset is empty or the encoder accepted it; the refusal when the encoder
// rejected it. An encoder that cannot be started or does not answer within the limit gives no
// verdict (none): the run's own checks report it.
std::optional<Failure>
checkEncoderPreset(const std::filesystem::path& encoderPath, const std::string& preset,
                   std::chrono::milliseconds limit = std::chrono::milliseconds(20000));

} // namespace velomira
