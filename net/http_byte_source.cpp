#include "net/http_byte_source.h"

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
    for (;;) {
        ssize_t n = ::recv(fd_, data, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        error_ = n < 0 ? errno : 0;
        return static_cast<long>(n);
    }
}

} // namespace velomira
