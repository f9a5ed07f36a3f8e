#include "net/connection_send.h"

#include "net/socket_wait.h"

#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace velomira {

namespace {

// One write: the bytes taken (> 0), 0 when the connection must first be readable (events
// says which way to wait), < 0 on a failure.
long writeSome(Connection& connection, std::string_view bytes, short& events) {
    events = POLLOUT;
    if (!connection.secure()) {
        ssize_t sent = ::send(connection.socket.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        return sent == 0 ? -1 : static_cast<long>(sent);
    }
    int size = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
    int sent = SSL_write(connection.tls.get(), bytes.data(), size);
    if (sent > 0)
        return sent;
    int failure = SSL_get_error(connection.tls.get(), sent);
    if (failure == SSL_ERROR_WANT_READ || failure == SSL_ERROR_WANT_WRITE) {
        events = failure == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
        return 0;
    }
    ERR_clear_error();
    return -1;
}

} // namespace

SendOutcome sendAll(Connection& connection, std::string_view bytes, const RequestDeadline& deadline,
                    std::chrono::milliseconds ioTimeout) {
    short events = POLLOUT;
    while (!bytes.empty()) {
        int error = 0;
        switch (waitForSocket(connection.socket.fd(), events, &deadline, ioTimeout, error)) {
        case WaitOutcome::Ready:
            break;
        case WaitOutcome::DeadlinePassed:
            return SendOutcome::DeadlinePassed;
        case WaitOutcome::Stopped:
            return SendOutcome::Stopped;
        case WaitOutcome::TimedOut:
        case WaitOutcome::Failed:
            return SendOutcome::Failed;
        }
        long sent = writeSome(connection, bytes, events);
        if (sent < 0)
            return SendOutcome::Failed;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return SendOutcome::Sent;
}

} // namespace velomira
