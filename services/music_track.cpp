#include "services/music_track.h"

#include "app/string_utils.h"
#include "media/mp3_info.h"

namespace velomira {

std::optional<MusicTrack> readMusicTrack(const std::string& path) {
    // The name decides first, so a large file of another kind is never read.
    if (!endsWithNoCase(path.c_str(), ".mp3"))
        return std::nullopt;
    MusicTrack track;
    track.path = path;
    track.durationMs = readMp3Info(path, &track.sampleRate);
    if (!(track.durationMs > 0.0f))
        return std::nullopt;
    return track;
}

} // namespace velomira
