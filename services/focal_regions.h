#pragma once
// The focal regions of an album's pictures as both front ends need them: found once per file
// (in the background for the window, when its turn comes for a run), kept for the program's
// life, and the reason when a picture fell back to its middle.
#include "album/album_model.h"
#include "media/focal/focal_detection.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

// Safe to share between threads; one picture is analysed at a time, so that the analysis is
// the same single-threaded one on every run.
class FocalRegionFinder {
  public:
    // With the face models from cascadeFolder (findCascadeFolder() for the installed ones).
    explicit FocalRegionFinder(std::string cascadeFolder);

    // The region of the picture file, found now unless found before.
    FocalDetection find(const std::string& path);

    // Why faces cannot be found on this computer; empty when they can. Known once the first
    // picture has been analysed.
    std::string modelProblem();

  private:
    FocalDetector& detector();

    std::string cascadeFolder_;
    std::mutex mutex_;
    std::unique_ptr<FocalDetector> detector_;
    std::map<std::string, FocalDetection> found_;
};

// Positions of the pictures whose region is still to be found: all without one while the album
// follows found regions, none otherwise.
std::vector<int> picturesWithoutFocus(const AlbumProject& album);

// Stores a found region in the picture at position, unless the picture there is no longer the
// same file or has been given a region meanwhile. True when it was stored.
bool storeFoundFocus(AlbumProject& album, int position, const std::string& path,
                     const FocalRegion& region);

// The information window's line for a picture that fell back to its middle.
std::string focusFallbackLine(const std::string& fileName, const std::string& problem);

} // namespace velomira
