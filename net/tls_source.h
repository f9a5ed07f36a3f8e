#pragma once
// Reply bytes from a TLS connection, with the waits of SocketSource: the per-receive time-out
// (EAGAIN), the request's deadline (ETIMEDOUT) and its stop check (ECANCELED). The server's
// close_notify is the end of the stream; a close without it fails (ECONNRESET), so a body cut
// short by an attacker never passes as complete.
#include "net/http_byte_source.h"

#include <openssl/ssl.h>

#include <chrono>

namespace velomira {

class TlsSource : public ByteSource {
  public:
    TlsSource(SSL* ssl, int fd, const RequestDeadline* deadline,
              std::chrono::milliseconds ioTimeout)
        : ssl_(ssl), fd_(fd), deadline_(deadline), ioTimeout_(ioTimeout) {}
    long receive(char* data, std::size_t size) override;
    int error() const override { return error_; }
    bool deadlinePassed() const { return deadlinePassed_; }
    bool stopped() const { return stopped_; }

  private:
    SSL* ssl_;
    int fd_;
    const RequestDeadline* deadline_;
    std::chrono::milliseconds ioTimeout_;
    int error_ = 0;
    bool deadlinePassed_ = false;
    bool stopped_ = false;
};

} // namespace velomira
