#pragma once
// The encoder's progress report, asked for when the album has music: after a stop it tells
// when the soundtrack has reached the last frame, so that the encoder can be asked to finish
// there instead of encoding the music to the album's full length.
#include "video/encoder_args.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>

namespace velomira {

// A file of a name no other run uses in the work folder, removed with the run.
class EncoderProgressFile {
  public:
    EncoderProgressFile() = default;
    ~EncoderProgressFile();
    EncoderProgressFile(const EncoderProgressFile&) = delete;
    EncoderProgressFile& operator=(const EncoderProgressFile&) = delete;

    bool create(const std::filesystem::path& folder, std::mt19937& random);
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The command with the report into path put in front (every fifth of a second); unchanged for
// an empty path.
CommandLine withProgressReport(const CommandLine& command, const std::string& path);

// How far the output has come, in microseconds of its furthest stream, by the report's last
// complete entry; none while there is none.
std::optional<std::int64_t> reportedOutputTime(const std::string& reportText);
// The same read from the end of the file.
std::optional<std::int64_t> reportedOutputTime(const std::filesystem::path& path);

} // namespace velomira
