#pragma once
// The video file while it is being made: the encoder writes under a temporary name beside the
// chosen file, and the chosen name changes only when the run has a video worth keeping. A run
// that fails leaves no partial file behind and an earlier video of that name untouched.
#include <string>

namespace velomira {

// Longest temporary name given out: the cover step adds "-<seconds>" to it and the stop's cut
// "-cut", and the result must still be a name the file system takes.
constexpr std::size_t kMaxPendingNameBytes = 230;

// What a commit does with a file already at the target.
enum class EarlierFile {
    Replace, // the new video takes the chosen name
    Keep,    // an incomplete video goes beside it under stoppedVideoName()
};

class PendingOutput {
  public:
    // Reserves "<folder>/.<name>.<pid>-<n>@<host>.part.mp4" beside target (a long name is
    // shortened and given a hash of itself). Temporary files of this host's processes that are
    // no longer running are removed first. When the folder cannot take a file the name is still
    // given out, and the encoder reports the folder's problem.
    explicit PendingOutput(std::string target);
    // Removes the temporary file unless it was committed.
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    const std::string& path() const { return temporary_; } // where the encoder writes
    const std::string& target() const { return target_; }

    // Renames the temporary file over the target (or, keeping an earlier file, to the first
    // free name of target, stoppedVideoName(target, 1), ...); false with the reason when that
    // failed (the temporary file is then removed).
    bool commit(std::string& failure, EarlierFile earlier = EarlierFile::Replace);
    // Where the video went on commit.
    const std::string& keptPath() const { return kept_; }

  private:
    std::string target_;
    std::string temporary_;
    std::string kept_;
    bool committed_ = false;
};

// The hidden temporary name for a file name, process, run number and host (leftoverHostName()),
// at most kMaxPendingNameBytes.
std::string pendingFileName(const std::string& fileName, long pid, int number,
                            const std::string& host);

// "<folder>/<stem> (已停止).mp4" for number 1, "<folder>/<stem> (已停止 <number>).mp4" after:
// the name says the video is incomplete and sorts beside the chosen one.
std::string stoppedVideoName(const std::string& target, int number);

// Removes the temporary files (of the pattern above, also the cover step's and the cut's) of
// this host's processes that are no longer running from the folder; another host's are left
// alone, and one of the older names without a host only when it has not been written to for a
// day. Returns how many went.
int removeStalePendingFiles(const std::string& folder);

} // namespace velomira
