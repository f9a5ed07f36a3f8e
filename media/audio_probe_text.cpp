#include "media/audio_probe_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace velomira {

namespace {

// The value of a key="value" line, without its quotes; none when the line is not that key.
std::optional<std::string_view> valueOf(std::string_view line, std::string_view key) {
    if (line.size() < key.size() + 3 || line.substr(0, key.size()) != key ||
        line[key.size()] != '=' || line[key.size() + 1] != '"' || line.back() != '"')
        return std::nullopt;
    return line.substr(key.size() + 2, line.size() - key.size() - 3);
}

std::optional<double> secondsOf(std::string_view value) {
    const std::string text(value);
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(seconds) ||
        seconds <= 0.0)
        return std::nullopt;
    return seconds;
}

} // namespace

AudioProbeText parseAudioProbeText(std::string_view text) {
    AudioProbeText probe;
    std::optional<double> streamSeconds, fileSeconds;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (auto rate = valueOf(line, "streams.stream.0.sample_rate")) {
            probe.hasAudio = true;
            int value = 0;
            const auto [ptr, ec] =
                std::from_chars(rate->data(), rate->data() + rate->size(), value);
            if (ec == std::errc() && ptr == rate->data() + rate->size() && value > 0)
                probe.sampleRate = value;
        } else if (auto length = valueOf(line, "streams.stream.0.duration")) {
            streamSeconds = secondsOf(*length);
        } else if (auto whole = valueOf(line, "format.duration")) {
            fileSeconds = secondsOf(*whole);
        }
    }
    probe.seconds = streamSeconds ? streamSeconds : fileSeconds;
    return probe;
}

} // namespace velomira
