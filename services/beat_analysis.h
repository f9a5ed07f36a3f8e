#pragma once
// The beats of the album's music for a run whose pictures change on the beat: each track is
// decoded to a mono copy by ffmpeg (time-limited, stoppable), its beats found once and kept in
// the user's cache folder under the track's path and modification time.
#include "album/album_model.h"
#include "platform/failure.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace velomira {

struct BeatAnalysisRequest {
    std::filesystem::path ffmpegPath;  // <program folder>/tool/ffmpeg
    std::filesystem::path workFolder;  // the decoded copy is made here and removed
    std::filesystem::path cacheFolder; // empty: nothing is kept between runs
    std::chrono::milliseconds decodeTimeLimit{std::chrono::minutes(2)};
    std::function<void(int percent)> progress; // 0..100 over all tracks; optional
};

struct MusicBeats {
    std::vector<double> beats; // seconds on the video's time line, the tracks one after another
    bool stopped = false;
    // Said to the user when the music has no beat to follow (the pictures then change at even
    // times) or a track could not be analysed.
    std::optional<Failure> note;
};

// <cache home>/velomira/beats
std::filesystem::path beatCacheFolder();

MusicBeats analyseMusicBeats(const AlbumProject& album, const BeatAnalysisRequest& request,
                             const std::atomic<bool>& stop);

} // namespace velomira
