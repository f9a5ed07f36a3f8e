#pragma once
// What a generation run will make, decided before it starts: the proposed file name, the
// output path's extension, how many pictures the run renders and how long the video is.
#include "album/album_model.h"

#include <ctime>
#include <string>

namespace velomira {

// Pictures first..last of a run (1-based, as the run counts the album's pictures); last 0: to the
// run's end. The default is the whole run.
struct PictureRange {
    int first = 1;
    int last = 0;
};

struct RunPlan {
    int totalPictures = 0;    // N: the items, or the loop-play count; of a range, its pictures
    float videoLength = 0.f;  // seconds
    int totalFrames = 0;      // frames the run delivers
    std::string durationText; // the encoder's -t value
    // A range's first picture of the run, and the frame of the whole video it starts at (its
    // music starts at that time too).
    int firstPicture = 1;
    long long startFrame = 0;
};

RunPlan planRun(const AlbumProject& project, PictureRange range = {});

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
