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
        if (!waitFor(failure == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT))
            return -1;
    }
}

} // namespace velomira
