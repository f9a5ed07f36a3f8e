#include "net/http_byte_source.h"

#include "net/socket_wait.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velomira {

long MemorySource::receive(char* data, std::size_t size) {
    std::size_t count = std::min({size, pieceSize_, bytes_.size()});
    std::memcpy(data, bytes_.data(), count);
    bytes_.remove_prefix(count);
    return static_cast<long>(count);
}

bool WaitingSource::waitFor(short events) {
    switch (waitForSocket(fd_, events, deadline_, ioTimeout_, error_)) {
    case WaitOutcome::Ready:
        return true;
    case WaitOutcome::TimedOut:
        error_ = EAGAIN; // the per-receive time-out, as the socket option would report it
        return false;
    case WaitOutcome::DeadlinePassed:
        deadlinePassed_ = true;
        error_ = ETIMEDOUT;
        return false;
    case WaitOutcome::Stopped:
        stopped_ = true;
        error_ = ECANCELED;
        return false;
    case WaitOutcome::Failed:
        return false;
    }
    return false;
}

long SocketSource::receive(char* data, std::size_t size) {
    if (deadline_ != nullptr && !waitFor(POLLIN))
        return -1;
    for (;;) {
        ssize_t n = ::recv(fd_, data, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        error_ = n < 0 ? errno : 0;
        return static_cast<long>(n);
    }
}

} // namespace velomira
