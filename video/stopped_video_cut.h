#pragma once
// A stopped run's video ends where its pictures end. The encoder was told the whole album's
// length, so the sound (and a frozen last frame) would run on; a stream copy cut at the last
// frame's time makes picture and sound end together.
#include "app/error_log.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace velomira {

struct VideoCutRequest {
    std::filesystem::path encoderPath; // tool/ffmpeg
    std::string videoPath;             // the stopped run's temporary file, replaced in place
    std::uint64_t frames = 0;          // frames the encoder took, at 25 per second
    ErrorLog errorLog;
    std::chrono::milliseconds timeLimit{60000};
};

// The -t text for a number of frames at 25 per second ("8.360").
std::string frameTimeText(std::uint64_t frames);

// Cuts the video into "<stem>-cut.mp4" and renames that over it when it is complete; on any
// failure the video stays as it was (still whole, only longer) and false is returned.
bool cutStoppedVideo(const VideoCutRequest& request, std::string& failure);

} // namespace velomira
