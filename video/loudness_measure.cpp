#include "video/loudness_measure.h"

#include "video/child_process.h"

#include <cstring>

namespace velomira {

std::vector<std::string> loudnessPassArguments(const std::vector<std::string>& musicPaths,
                                               const MusicGraphInput& graph) {
    std::vector<std::string> arguments = {"-hide_banner", "-nostats", "-nostdin", "-v", "info"};
    for (const std::string& path : musicPaths) {
        arguments.push_back("-i");
        arguments.push_back(path);
    }
    arguments.push_back("-filter_complex");
    arguments.push_back(loudnessMeasureGraph(graph));
    for (const char* word : {"-map", "[aout]", "-f", "null", "-"})
        arguments.push_back(word);
    return arguments;
}

std::chrono::milliseconds loudnessPassLimit(double videoSeconds) {
    const double seconds = 60.0 + (videoSeconds > 0.0 ? videoSeconds / 2.0 : 0.0);
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0));
}

LoudnessPass measureMusicLoudness(const std::filesystem::path& tool,
                                  const std::vector<std::string>& musicPaths,
                                  const MusicGraphInput& graph, const std::atomic<bool>& stop,
                                  std::chrono::milliseconds limit) {
    LoudnessPass pass;
    if (stop.load()) {
        pass.end = LoudnessPassEnd::Stopped;
        return pass;
    }
    ChildSpec spec;
    spec.program = tool;
    spec.arguments = loudnessPassArguments(musicPaths, graph);
    spec.keepErrorTail = true;
    ChildProcess child;
    StartFailure failure;
    if (!child.start(spec, failure)) {
        pass.problem = "cannot start " + tool.string() + ": " + std::strerror(failure.error);
        return pass;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!child.waitFor(std::chrono::milliseconds(50))) {
        if (stop.load()) {
            child.kill();
            child.wait();
            pass.end = LoudnessPassEnd::Stopped;
            return pass;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            child.kill();
            child.wait();
            pass.problem = "the loudness measurement took longer than its limit";
            return pass;
        }
    }
    const ChildExit exit = child.wait();
    const std::string output = child.errorOutput();
    pass.measure = exit.readable && exit.code == 0 ? parseLoudnessSummary(output) : std::nullopt;
    if (!pass.measure) {
        pass.problem = "no loudness measurement (exit " + std::to_string(exit.code) +
                       "): " + output.substr(output.size() > 400 ? output.size() - 400 : 0);
        return pass;
    }
    // Silence measures as -70 LUFS or less: no gain could bring it to the target.
    if (pass.measure->integrated <= -70.0) {
        pass.measure.reset();
        pass.problem = "the music is silent";
        return pass;
    }
    pass.end = LoudnessPassEnd::Measured;
    return pass;
}

} // namespace velomira
