#pragma once
// Helpers of the encoder tests: a program folder with the real tools, frames, sound files,
// and questions to ffprobe about a finished video.
#include "support/program_run.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velomira::testing {

// Links tool/ffmpeg and tool/AtomicParsley under the folder to the system's programs; false
// when a program is not installed.
bool makeToolFolder(const std::filesystem::path& programFolder);

// Runs a program (arguments as given, no shell) and returns its standard output.
std::string runForOutput(const std::vector<std::string>& argv);

// JPEG frames of one colour, as the renderer makes them.
std::string solidFrame(int width, int height, const std::string& colour);

// A sine tone MP3 of the given sample rate and length.
bool makeToneMp3(const std::string& path, int sampleRate, double seconds);
// A short colour video made directly with ffmpeg.
bool makeColourVideo(const std::string& path, int width, int height, double seconds);

// ffprobe answers; -1 or empty when the question fails.
int countVideoFrames(const std::string& video);
double videoDuration(const std::string& video);
// "key=value" lines of -show_entries stream=<fields> for every stream.
std::string streamEntries(const std::string& video, const std::string& fields);
// Writes the first frame of the video as a PNG.
bool extractFirstFrame(const std::string& video, const std::string& png);

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    std::string name_;
    bool had_ = false;
    std::string previous_;
};

} // namespace velomira::testing
