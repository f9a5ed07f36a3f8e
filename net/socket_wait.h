#pragma once
// Waiting until a socket can be read or written, bounded three ways: the step's own time-out,
// the request's deadline, and its stop check, which is asked at least every kStopPollInterval
// so a stopped download ends within a fraction of a second.
#include "net/http_deadline.h"

#include <chrono>

namespace velomira {

inline constexpr std::chrono::milliseconds kStopPollInterval{150};

enum class WaitOutcome { Ready, TimedOut, DeadlinePassed, Stopped, Failed };

// events: POLLIN or POLLOUT. deadline may be null (then only `limit` bounds the wait). On
// Failed, error holds the errno.
WaitOutcome waitForSocket(int fd, short events, const RequestDeadline* deadline,
                          std::chrono::milliseconds limit, int& error);

} // namespace velomira
