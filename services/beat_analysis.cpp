#include "services/beat_analysis.h"

#include "app/string_utils.h"
#include "media/beat_cache.h"
#include "media/beat_tracker.h"
#include "platform/paths.h"
#include "platform/translation.h"
#include "video/child_process.h"

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace velomira {

namespace {

enum class TrackOutcome { Analysed, Stopped, Failed };

struct TrackBeats {
    TrackOutcome outcome = TrackOutcome::Failed;
    std::vector<double> beats;
};

// Removes the decoded copy however the analysis ends.
struct ScratchFile {
    std::filesystem::path path;
    ~ScratchFile() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

// ffmpeg writes the mono copy; false when it failed, ran out of time or was stopped.
TrackOutcome decodeTrack(const BeatAnalysisRequest& request, const std::string& music,
                         const std::filesystem::path& copy, const std::atomic<bool>& stop) {
    ChildSpec spec;
    spec.program = request.ffmpegPath;
    spec.arguments = {"-nostdin", "-v",    "error", "-i",         music,
                      "-vn",      "-ac",   "1",     "-ar",        std::to_string(kBeatSampleRate),
                      "-f",       "f32le", "-y",    copy.string()};
    ChildProcess child;
    StartFailure failure;
    if (!child.start(spec, failure))
        return TrackOutcome::Failed;
    const auto deadline = std::chrono::steady_clock::now() + request.decodeTimeLimit;
    while (!child.waitFor(std::chrono::milliseconds(50))) {
        if (stop.load() || std::chrono::steady_clock::now() > deadline) {
            child.kill();
            child.wait();
            return stop.load() ? TrackOutcome::Stopped : TrackOutcome::Failed;
        }
    }
    const ChildExit exit = child.wait();
    return exit.readable && exit.code == 0 ? TrackOutcome::Analysed : TrackOutcome::Failed;
}

// Feeds the copy to the tracker a second at a time; progress runs from `done` to `done + share`.
TrackBeats trackBeats(const std::filesystem::path& copy, const std::atomic<bool>& stop,
                      const std::function<void(double)>& progress) {
    std::ifstream in(copy, std::ios::binary);
    std::error_code ec;
    const double total = static_cast<double>(std::filesystem::file_size(copy, ec));
    BeatTracker tracker;
    if (!in || !tracker.ready())
        return {};
    std::vector<float> block(kBeatSampleRate);
    double read = 0.0;
    while (in) {
        if (stop.load())
            return {TrackOutcome::Stopped, {}};
        in.read(reinterpret_cast<char*>(block.data()),
                static_cast<std::streamsize>(block.size() * sizeof(float)));
        const auto bytes = static_cast<std::size_t>(in.gcount());
        tracker.feed(block.data(), bytes / sizeof(float));
        read += static_cast<double>(bytes);
        if (progress && total > 0.0)
            progress(read / total);
    }
    return {TrackOutcome::Analysed, tracker.beats()};
}

TrackBeats analyseTrack(const BeatAnalysisRequest& request, const MusicTrack& track,
                        const std::atomic<bool>& stop,
                        const std::function<void(double)>& progress) {
    const std::optional<BeatCacheKey> key = beatCacheKeyOf(track.path);
    if (key && !request.cacheFolder.empty()) {
        if (std::optional<std::vector<double>> kept = readBeatCache(request.cacheFolder, *key))
            return {TrackOutcome::Analysed, std::move(*kept)};
    }
    const ScratchFile copy{request.workFolder / ("beats-" + std::to_string(::getpid()) + ".f32")};
    const TrackOutcome decoded = decodeTrack(request, track.path, copy.path, stop);
    if (decoded != TrackOutcome::Analysed)
        return {decoded, {}};
    TrackBeats found = trackBeats(copy.path, stop, progress);
    if (found.outcome == TrackOutcome::Analysed && key && !request.cacheFolder.empty())
        writeBeatCache(request.cacheFolder, *key, found.beats);
    return found;
}

} // namespace

std::filesystem::path beatCacheFolder() {
    return cacheHomeFolder() / "velomira" / "beats";
}

MusicBeats analyseMusicBeats(const AlbumProject& album, const BeatAnalysisRequest& request,
                             const std::atomic<bool>& stop) {
    MusicBeats result;
    const auto count = static_cast<double>(album.musicItems.size());
    double offset = 0.0;
    for (std::size_t i = 0; i < album.musicItems.size(); ++i) {
        const MusicTrack& track = album.musicItems[i];
        const auto share = [&](double fraction) {
            if (request.progress)
                request.progress(
                    static_cast<int>(100.0 * (static_cast<double>(i) + fraction) / count));
        };
        TrackBeats found = analyseTrack(request, track, stop, share);
        if (found.outcome == TrackOutcome::Stopped) {
            result.stopped = true;
            return result;
        }
        if (found.outcome == TrackOutcome::Failed && !result.note)
            result.note = Failure{formatText(tr_("无法分析音乐的节拍：%s"), track.path.c_str()),
                                  tr_("提示"), MessageKind::Warning};
        if (beatsFormPulse(found.beats)) {
            for (double beat : found.beats)
                result.beats.push_back(offset + beat);
        }
        offset += static_cast<double>(track.durationMs) / 1000.0;
    }
    if (request.progress)
        request.progress(100);
    if (result.beats.empty() && !result.note)
        result.note = Failure{tr_("音乐中没有可以跟随的节拍，图片按平均时间切换。"), tr_("提示"),
                              MessageKind::Information};
    return result;
}

} // namespace velomira
