#pragma once
// A one-line progress bar on standard error: picture n of N and the time left, redrawn in
// place. Nothing is drawn when standard error is not a terminal.
#include "video/run_progress.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace velomira {

class TerminalProgress {
  public:
    // Draws on out when it is a terminal.
    explicit TerminalProgress(int totalPictures, std::FILE* out = stderr);
    ~TerminalProgress(); // finish()
    void update(int picture);
    // Follows the encoder: its picture, the share of frames it has taken and the time left.
    // May be called from another thread than the rest.
    void update(const RunProgress& progress);
    // Ends the bar's line when one was drawn, so that what is printed next starts on a line of
    // its own. Later calls do nothing until the bar is drawn again.
    void finish();
    // The text of the line (without the carriage return), for tests.
    static std::string lineFor(int picture, int total, double secondsLeft);
    static std::string lineFor(const RunProgress& progress);

  private:
    void draw(const std::string& line);

    int total_;
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    std::mutex lock_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace velomira
