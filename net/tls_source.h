#pragma once
// Reply bytes from a TLS connection, with the waits of SocketSource: the per-receive time-out
// (EAGAIN), the request's deadline (ETIMEDOUT) and its stop check (ECANCELED). The server's
// close_notify is the end of the stream; a close without it fails (ECONNRESET), so a body cut
// short by an attacker never passes as complete.
#include "net/http_byte_source.h"

#include <openssl/ssl.h>

#include <chrono>

namespace velomira {

class TlsSource : public WaitingSource {
  public:
    TlsSource(SSL* ssl, int fd, const RequestDeadline* deadline,
              std::chrono::milliseconds ioTimeout)
        : WaitingSource(fd, deadline, ioTimeout), ssl_(ssl) {}
    long receive(char* data, std::size_t size) override;

  private:
    SSL* ssl_;
};

} // namespace velomira
