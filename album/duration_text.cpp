#include "album/duration_text.h"

#include <cstdio>

namespace velomira {

std::string formatDuration(float seconds) {
    // Negative, NaN and absurd values all read as 0 rather than as a wrapped count.
    const long s = seconds > 0.0f && seconds < 1e9f ? static_cast<long>(seconds) : 0;
    char text[64];
    if (s < 60)
        std::snprintf(text, sizeof text, "00:00:%02ld", s);
    else if (s < 3600)
        std::snprintf(text, sizeof text, "00:%02ld:%02ld", s / 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    return text;
}

std::string musicTrackLine(const MusicTrack& track) {
    const std::size_t slash = track.path.find_last_of('/');
    const std::string name = slash == std::string::npos ? track.path : track.path.substr(slash + 1);
    std::string line = name;
    if (line.size() < 108)
        line.append(108 - line.size(), ' ');
    line += ' ' + std::to_string(track.sampleRate) + "Hz     " +
            formatDuration(track.durationMs / 1000.0f);
    return line;
}

} // namespace velomira
