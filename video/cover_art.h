#pragma once
// Embeds the cover picture into a finished video as its artwork, with the outside tagging
// tool, so that file managers show it as the video's thumbnail.
#include "album/album_model.h"
#include "app/error_log.h"
#include "platform/failure.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace velomira {

struct CoverRequest {
    std::filesystem::path toolPath;        // <program folder>/tool/AtomicParsley
    std::filesystem::path preparedCover;   // the JPEG made for the tool, e.g. <work>/temp/cover.jpg
    const AlbumProject* project = nullptr; // cover switch, cover path, items (rotation)
    std::string videoPath;
    ErrorLog errorLog;
    // The stop button: the tool is ended and the video stays without the cover.
    const std::atomic<bool>* stop = nullptr;
    // How long the tool may run; zero: coverTimeLimit of the video's size.
    std::chrono::milliseconds timeLimit{0};
};

enum class CoverResult {
    NotWanted, // cover off, no path, or the file is gone
    Embedded,  // the video now carries the cover
    Failed,    // the video stays as the encoder wrote it
};

struct CoverOutcome {
    CoverResult result = CoverResult::NotWanted;
    // Why the video has no cover, for the user; none when the failure is only written to the
    // error log.
    std::optional<Failure> failure;
};

// A few seconds per megabyte of video, at least 30 seconds: the tool copies the whole file.
std::chrono::milliseconds coverTimeLimit(std::uint64_t videoBytes);

// The tool writes into a separate file, which replaces the video only when it is complete (at
// least the video's size, with its index); on any failure the video stays without the cover
// and the failure tells the user why.
CoverOutcome embedCover(const CoverRequest& request);

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};
// The cover's size: unchanged up to 512 x 512, else the longer side 512 and the other in
// proportion, rounded half up, at least 1.
PictureSize coverSize(int width, int height);

// Clockwise degrees the cover is turned: the turnAngle of the first album item whose path is
// the cover path, when above 0; else 0.
int coverTurnAngle(const AlbumProject& project, const std::string& coverPath);

// The video path with everything from the file name's last dot replaced by "-<seconds>.mp4";
// the number counts up while a file of that name exists.
std::string coverOutputPath(const std::string& videoPath, std::time_t seconds);

} // namespace velomira
