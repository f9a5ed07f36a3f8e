#pragma once
// What the stream prober prints about an audio file ("-of flat": key="value" lines), read back
// into its first audio stream's rate and the file's length.
#include <optional>
#include <string_view>

namespace velomira {

struct AudioProbeText {
    bool hasAudio = false;         // a first audio stream was listed
    int sampleRate = 0;            // 0: none given or not a number
    std::optional<double> seconds; // the stream's length, else the file's; none: unknown
};

AudioProbeText parseAudioProbeText(std::string_view text);

} // namespace velomira
