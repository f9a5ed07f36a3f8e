#pragma once
// The video file while it is being made: the encoder writes under a temporary name beside the
// chosen file, and the chosen name changes only when the run has a video worth keeping. A run
// that fails leaves no partial file behind and an earlier video of that name untouched.
#include <string>

namespace velomira {

class PendingOutput {
  public:
    // Reserves "<folder>/.<name>.<pid>-<n>.part.mp4" beside target. When the folder cannot take
    // a file the name is still given out, and the encoder reports the folder's problem.
    explicit PendingOutput(std::string target);
    // Removes the temporary file unless it was committed.
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    const std::string& path() const { return temporary_; } // where the encoder writes
    const std::string& target() const { return target_; }

    // Renames the temporary file over the target; false with the reason when that failed (the
    // temporary file is then removed).
    bool commit(std::string& failure);

  private:
    std::string target_;
    std::string temporary_;
    bool committed_ = false;
};

} // namespace velomira
