#pragma once
// The overall time one request may take: connecting, sending, every receive and every redirect
// draw on the same allowance, so a server that trickles bytes cannot hold a request for ever
// within the per-receive time-outs.
#include <chrono>
#include <string>

namespace velomira {

class RequestDeadline {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RequestDeadline(std::chrono::milliseconds allowance)
        : allowance_(allowance), end_(Clock::now() + allowance) {}

    std::chrono::milliseconds allowance() const { return allowance_; }
    bool passed() const { return Clock::now() >= end_; }
    // What is left, never below zero.
    std::chrono::milliseconds remaining() const;
    // The shorter of `limit` and what is left: the wait a single step may take.
    std::chrono::milliseconds cap(std::chrono::milliseconds limit) const;

  private:
    std::chrono::milliseconds allowance_;
    Clock::time_point end_;
};

// "HTTP 请求未能在 %g 秒内完成，已中止。" with the allowance in seconds.
std::string deadlineFailureText(const RequestDeadline& deadline);

} // namespace velomira
