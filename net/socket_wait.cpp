#include "net/socket_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace velomira {

WaitOutcome waitForSocket(int fd, short events, const RequestDeadline* deadline,
                          std::chrono::milliseconds limit, int& error) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + limit;
    for (;;) {
        if (deadline != nullptr && deadline->stopped())
            return WaitOutcome::Stopped;
        if (deadline != nullptr && deadline->passed())
            return WaitOutcome::DeadlinePassed;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0)
            return WaitOutcome::TimedOut;
        if (deadline != nullptr) {
            left = deadline->cap(left);
            if (deadline->stoppable())
                left = std::min(left, kStopPollInterval);
        }
        pollfd watch{fd, events, 0};
        int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            error = errno;
            return WaitOutcome::Failed;
        }
        if (ready > 0)
            return WaitOutcome::Ready;
    }
}

} // namespace velomira
