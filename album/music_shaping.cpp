#include "album/music_shaping.h"

#include <cctype>
#include <cmath>
#include <string>

namespace velomira {

namespace {

bool endsWithLower(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size())
        return false;
    const std::string_view tail = name.substr(name.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != ending[i])
            return false;
    }
    return true;
}

} // namespace

bool isMusicFileName(std::string_view name) {
    for (const char* ending : kMusicFileEndings) {
        if (endsWithLower(name, ending))
            return true;
    }
    return false;
}

bool isMp3FileName(std::string_view name) {
    return endsWithLower(name, ".mp3");
}

bool isUsableMusicFade(double seconds) {
    return std::isfinite(seconds) && seconds > 0.0 && seconds <= kLongestMusicFade;
}

bool isUsableLoudness(double lufs) {
    return std::isfinite(lufs) && lufs >= kQuietestLoudness && lufs <= kLoudestLoudness;
}

void applyMusicShaping(VideoSettings& settings, std::optional<double> fadeSeconds,
                       std::optional<double> loudness) {
    settings.musicFadeSeconds = fadeSeconds && isUsableMusicFade(*fadeSeconds) ? *fadeSeconds : 0.0;
    settings.musicLoudness =
        loudness && isUsableLoudness(*loudness) ? loudness : std::optional<double>();
}

bool musicNeedsFilterGraph(const AlbumProject& album) {
    const VideoSettings& s = album.settings;
    if (s.musicFadeSeconds > 0.0 || s.musicLoudness)
        return true;
    for (const MusicTrack& track : album.musicItems) {
        // Other audio kinds cannot be joined byte by byte; a track of any other name can only
        // have come from the MP3 reader.
        if (isMusicFileName(track.path) && !isMp3FileName(track.path))
            return true;
    }
    return false;
}

} // namespace velomira
