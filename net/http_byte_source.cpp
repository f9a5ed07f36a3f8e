#include "net/http_byte_source.h"

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

long SocketSource::receive(char* data, std::size_t size) {
    while (deadline_ != nullptr) {
        if (deadline_->passed()) {
            deadlinePassed_ = true;
            error_ = ETIMEDOUT;
            return -1;
        }
        pollfd watch{fd_, POLLIN, 0};
        int ready = ::poll(&watch, 1, static_cast<int>(deadline_->cap(ioTimeout_).count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            error_ = errno;
            return -1;
        }
        if (ready > 0)
            break;
        if (!deadline_->passed()) {
            error_ = EAGAIN; // the per-receive time-out, as the socket option would report it
            return -1;
        }
    }
    for (;;) {
        ssize_t n = ::recv(fd_, data, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        error_ = n < 0 ? errno : 0;
        return static_cast<long>(n);
    }
}

} // namespace velomira
