#pragma once
// A music file as a track of the album's music list.
#include "album/album_model.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace velomira {

// The track to add to the music list: only a file whose name ends with ".mp3" (any case)
// and whose duration is above 0.
std::optional<MusicTrack> readMusicTrack(const std::string& path);

// Why an audio file of another kind than MP3 was left out.
enum class MusicFileProblem { None, Empty, NoAudio, Unreadable, TimedOut, NoProber };

struct MusicFileReading {
    std::optional<MusicTrack> track;
    MusicFileProblem problem = MusicFileProblem::None; // None with no track: not a music name
};

// The stream prober beside the encoder: tool/ffprobe, else the one beside the file the
// encoder's link leads to, else the system's.
std::filesystem::path musicProbeTool(const std::filesystem::path& programFolder);

// Any music file: an MP3 through its frame reader as readMusicTrack, the other kinds
// (M4A/AAC, FLAC, OGG/Vorbis/Opus, WAV) through the prober, which runs at most `limit`.
MusicFileReading readMusicFile(const std::string& path, const std::filesystem::path& prober,
                               std::chrono::milliseconds limit = std::chrono::seconds(20));

// The information window's line for a file left out; empty for None.
std::string musicFileProblemText(MusicFileProblem problem, const std::string& path);

} // namespace velomira
