#pragma once
// What a generation run will make, decided before it starts: the proposed file name, the
// output path's extension, how many pictures the run renders and how long the video is.
#include "album/album_model.h"

#include <ctime>
#include <string>

namespace velomira {

struct RunPlan {
    int totalPictures = 0;    // N: the items, or the loop-play count
    float videoLength = 0.f;  // seconds
    int totalFrames = 0;      // frames the run delivers
    std::string durationText; // the encoder's -t value
};

RunPlan planRun(const AlbumProject& project);

// Proposed output name by outputNaming: 1 the local time "%Y_%m_%d_%H%M%S", 2 the first
// picture's file name without its extension, otherwise empty.
std::string proposedOutputName(const AlbumProject& project, OutputNaming naming, std::time_t now);

// Appends ".mp4" unless the path already ends with it in any letter case.
std::string withMp4Extension(std::string path);

// Writes play.html (a page that plays the video in the browser); true when it was written.
bool writePlayPage(const std::string& pagePath, const std::string& videoPath);
// What the user is told when the video could not be played through the page: that the page
// could not be written, or (written) that it could not be opened.
std::string playFallbackFailureText(bool pageWritten, const std::string& pagePath);

} // namespace velomira
