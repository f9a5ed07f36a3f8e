#include "media_tools.h"

#include "render/image/image_layer.h"
#include "support/program_run.h"
#include "video/child_process.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace velomira::testing {

bool makeToolFolder(const std::filesystem::path& programFolder) {
    std::error_code error;
    std::filesystem::create_directories(programFolder / "tool", error);
    for (const char* name : {"ffmpeg", "AtomicParsley"}) {
        const std::filesystem::path target = std::filesystem::path("/usr/bin") / name;
        if (!std::filesystem::exists(target))
            return false;
        std::filesystem::create_symlink(target, programFolder / "tool" / name, error);
        if (error)
            return false;
    }
    return true;
}

std::string runForOutput(const std::vector<std::string>& argv) {
    return programOutput(argv).out;
}

namespace {

bool runQuietly(const std::vector<std::string>& argv) {
    ChildProcess child;
    StartFailure failure;
    std::vector<std::string> arguments(argv.begin() + 1, argv.end());
    if (!child.start({argv[0], arguments, {}, -1}, failure))
        return false;
    const ChildExit exit = child.wait();
    return exit.readable && exit.code == 0;
}

} // namespace

std::string solidFrame(int width, int height, const std::string& colour) {
    Image canvas = makeCanvas(width, height, colour);
    EncodedFrame frame = encodeFrame(canvas);
    return std::string(reinterpret_cast<const char*>(frame.bytes()), frame.length);
}

bool makeToneMp3(const std::string& path, int sampleRate, double seconds) {
    return runQuietly({"/usr/bin/ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                       "sine=frequency=440:sample_rate=" + std::to_string(sampleRate) +
                           ":duration=" + std::to_string(seconds),
                       "-ac", "2", "-ar", std::to_string(sampleRate), path});
}

bool makeColourVideo(const std::string& path, int width, int height, double seconds) {
    return runQuietly({"/usr/bin/ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                       "color=c=blue:s=" + std::to_string(width) + "x" + std::to_string(height) +
                           ":d=" + std::to_string(seconds),
                       "-pix_fmt", "yuv420p", path});
}

int countVideoFrames(const std::string& video) {
    const std::string text =
        runForOutput({"/usr/bin/ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                      "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", video});
    return text.empty() ? -1 : std::atoi(text.c_str());
}

double videoDuration(const std::string& video) {
    const std::string text = runForOutput({"/usr/bin/ffprobe", "-v", "error", "-show_entries",
                                           "format=duration", "-of", "csv=p=0", video});
    return text.empty() ? -1.0 : std::atof(text.c_str());
}

std::string streamEntries(const std::string& video, const std::string& fields) {
    return runForOutput({"/usr/bin/ffprobe", "-v", "error", "-show_entries", "stream=" + fields,
                         "-of", "default=nw=1", video});
}

bool extractFirstFrame(const std::string& video, const std::string& png) {
    return runQuietly({"/usr/bin/ffmpeg", "-v", "error", "-y", "-i", video, "-frames:v", "1", png});
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        had_ = true;
        previous_ = old;
    }
    setenv(name, value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (had_)
        setenv(name_.c_str(), previous_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

} // namespace velomira::testing
