#pragma once
// A one-line progress bar on standard error: picture n of N and the time left, redrawn in
// place. Nothing is drawn when standard error is not a terminal.
#include <chrono>
#include <string>

namespace velomira {

class TerminalProgress {
  public:
    explicit TerminalProgress(int totalPictures);
    ~TerminalProgress(); // ends the line when something was drawn
    void update(int picture);
    // The text of the line (without the carriage return), for tests.
    static std::string lineFor(int picture, int total, double secondsLeft);

  private:
    int total_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

} // namespace velomira
