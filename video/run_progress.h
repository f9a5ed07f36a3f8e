#pragma once
// How far a run has come, counted in the frames the encoder has taken (not the frames drawn,
// which may run far ahead of it into the queue), and the estimate of the time left.
#include "album/album_model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

struct RunProgress {
    int picture = 1; // the picture whose frames the encoder is taking, 1-based
    int totalPictures = 0;
    std::uint64_t framesDone = 0; // frames the encoder has taken in full
    std::uint64_t totalFrames = 0;
    double elapsedSeconds = 0; // since this encode started
};

// Where each picture of a run ends, counted once before the run.
class PictureFrames {
  public:
    // A range's pictures start at firstPicture, whose frames begin at startFrame of the whole
    // video; counts are the run's own, from 0.
    PictureFrames(const AlbumProject& project, int totalPictures, int firstPicture = 1,
                  long long startFrame = 0);
    // The picture that frame number taken + 1 belongs to (the last one once all are taken).
    int pictureAt(std::uint64_t taken) const;
    // The frame count at the end of that picture (taken itself when a picture ends there; the
    // first picture's end before any frame is taken).
    std::uint64_t pictureEndAt(std::uint64_t taken) const;

  private:
    std::vector<std::uint64_t> ends_; // ends_[n - 1]: frames of pictures 1..n
};

// 0..100, whole percent done.
int progressPercent(const RunProgress& progress);
// The seconds left at the rate so far: none before 5 % is done or when the estimate is more
// than a day; never negative.
std::optional<long> secondsLeft(const RunProgress& progress);
// "1小时05分", "3分20秒", "45秒".
std::string timeLeftText(long seconds);
// "剩余约 3分20秒", or empty while there is no estimate.
std::string timeLeftLine(const RunProgress& progress);

} // namespace velomira
