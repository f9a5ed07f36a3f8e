#include "video/run_progress.h"

#include "app/string_utils.h"
#include "platform/translation.h"
#include "render/frame_sequencer.h"

#include <algorithm>
#include <cmath>

namespace velomira {

namespace {

constexpr double kFirstEstimateShare = 0.05;
constexpr double kLongestEstimate = 24.0 * 60 * 60;

} // namespace

PictureFrames::PictureFrames(const AlbumProject& project, int totalPictures, int firstPicture,
                             long long startFrame) {
    // Counted as the renderer counts a run, so a repeated list's first transition is right.
    for (int n = 1; n <= totalPictures; ++n) {
        const long long end = firstPicture == 1 && startFrame == 0
                                  ? countRunFrames(project, n)
                                  : pictureStartFrame(project, firstPicture + n) - startFrame;
        ends_.push_back(static_cast<std::uint64_t>(std::max(0LL, end)));
    }
}

int PictureFrames::pictureAt(std::uint64_t taken) const {
    const auto beyond = std::upper_bound(ends_.begin(), ends_.end(), taken);
    const auto index = std::min<std::ptrdiff_t>(beyond - ends_.begin(),
                                                static_cast<std::ptrdiff_t>(ends_.size()) - 1);
    return static_cast<int>(std::max<std::ptrdiff_t>(index, 0)) + 1;
}

std::uint64_t PictureFrames::pictureEndAt(std::uint64_t taken) const {
    // Nothing taken yet: the first picture is the current one, so a stop before the encoder
    // took a frame still keeps a playable video of it.
    const auto end = std::lower_bound(ends_.begin(), ends_.end(), taken);
    return end == ends_.end() ? (ends_.empty() ? 0 : ends_.back()) : *end;
}

int progressPercent(const RunProgress& progress) {
    if (progress.totalFrames == 0)
        return 0;
    const std::uint64_t done = std::min(progress.framesDone, progress.totalFrames);
    return static_cast<int>(done * 100 / progress.totalFrames);
}

std::optional<long> secondsLeft(const RunProgress& progress) {
    if (progress.totalFrames == 0 || progress.framesDone == 0)
        return std::nullopt;
    const double share = std::min(1.0, static_cast<double>(progress.framesDone) /
                                           static_cast<double>(progress.totalFrames));
    if (share < kFirstEstimateShare)
        return std::nullopt;
    const double left = std::max(0.0, progress.elapsedSeconds) / share * (1.0 - share);
    if (!std::isfinite(left) || left > kLongestEstimate)
        return std::nullopt;
    return static_cast<long>(std::lround(std::max(0.0, left)));
}

std::string timeLeftText(long seconds) {
    seconds = std::max(0L, seconds);
    if (seconds >= 3600)
        return formatText(tr_("%ld小时%02ld分"), seconds / 3600, seconds % 3600 / 60);
    if (seconds >= 60)
        return formatText(tr_("%ld分%02ld秒"), seconds / 60, seconds % 60);
    return formatText(tr_("%ld秒"), seconds);
}

std::string timeLeftLine(const RunProgress& progress) {
    const std::optional<long> left = secondsLeft(progress);
    if (!left)
        return {};
    return formatText(tr_("剩余约 %s"), timeLeftText(*left).c_str());
}

} // namespace velomira
