#pragma once
// The overall time one request may take: connecting, sending, every receive and every redirect
// draw on the same allowance, so a server that trickles bytes cannot hold a request for ever
// within the per-receive time-outs.
#include <chrono>
#include <functional>
#include <string>

namespace velomira {

// Asked while a request waits: true ends it (the user stopped the work it belongs to).
using StopCheck = std::function<bool()>;

class RequestDeadline {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RequestDeadline(std::chrono::milliseconds allowance, StopCheck stop = {})
        : allowance_(allowance), end_(Clock::now() + allowance), stop_(std::move(stop)) {}

    std::chrono::milliseconds allowance() const { return allowance_; }
    bool passed() const { return Clock::now() >= end_; }
    // What is left, never below zero.
    std::chrono::milliseconds remaining() const;
    // The shorter of `limit` and what is left: the wait a single step may take.
    std::chrono::milliseconds cap(std::chrono::milliseconds limit) const;
    // The stop check said so: the request ends as soon as its wait wakes.
    bool stopped() const { return stop_ && stop_(); }
    // A request that can be stopped never sleeps longer than this in one wait.
    bool stoppable() const { return static_cast<bool>(stop_); }

  private:
    std::chrono::milliseconds allowance_;
    Clock::time_point end_;
    StopCheck stop_;
};

// "HTTP 请求未能在 %g 秒内完成，已中止。" with the allowance in seconds.
std::string deadlineFailureText(const RequestDeadline& deadline);

// The text of a request ended by its stop check.
inline constexpr const char* kRequestStoppedText = "HTTP 请求已停止。";

} // namespace velomira
