#pragma once
// The measuring pass of even loudness: the encoder tool decodes the music alone, joined as the
// video will have it, and reports its loudness. It runs under a time limit and ends at once on
// a stop, so a long or broken track never holds a run.
#include "video/music_graph.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

enum class LoudnessPassEnd { Measured, Failed, Stopped };

struct LoudnessPass {
    LoudnessPassEnd end = LoudnessPassEnd::Failed;
    std::optional<LoudnessMeasure> measure; // set when Measured
    std::string problem;                    // why it failed, for the error log
};

// The pass's arguments (argv[1..]) for the tracks as the encoder names them.
std::vector<std::string> loudnessPassArguments(const std::vector<std::string>& musicPaths,
                                               const MusicGraphInput& graph);

// How long the pass may take for a video of this length: a minute, and a second more for
// every two seconds of the video (decoding is far faster than that even on a loaded machine).
std::chrono::milliseconds loudnessPassLimit(double videoSeconds);

LoudnessPass measureMusicLoudness(const std::filesystem::path& tool,
                                  const std::vector<std::string>& musicPaths,
                                  const MusicGraphInput& graph, const std::atomic<bool>& stop,
                                  std::chrono::milliseconds limit);

} // namespace velomira
