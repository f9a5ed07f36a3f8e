#include "net/tls_source.h"

#include "net/socket_wait.h"

#include <openssl/err.h>
#include <poll.h>

#include <cerrno>
#include <climits>

namespace velomira {

long TlsSource::receive(char* data, std::size_t size) {
    int wanted = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
    for (;;) {
        int n = SSL_read(ssl_, data, wanted);
        if (n > 0) {
            error_ = 0;
            return n;
        }
        int failure = SSL_get_error(ssl_, n);
        if (failure == SSL_ERROR_ZERO_RETURN) {
            error_ = 0;
            return 0;
        }
        if (failure != SSL_ERROR_WANT_READ && failure != SSL_ERROR_WANT_WRITE) {
            ERR_clear_error();
            error_ = ECONNRESET;
            return -1;
        }
        short events = failure == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
        switch (waitForSocket(fd_, events, deadline_, ioTimeout_, error_)) {
        case WaitOutcome::Ready:
            continue;
        case WaitOutcome::TimedOut:
            error_ = EAGAIN;
            return -1;
        case WaitOutcome::DeadlinePassed:
            deadlinePassed_ = true;
            error_ = ETIMEDOUT;
            return -1;
        case WaitOutcome::Stopped:
            stopped_ = true;
            error_ = ECANCELED;
            return -1;
        case WaitOutcome::Failed:
            return -1;
        }
    }
}

} // namespace velomira
