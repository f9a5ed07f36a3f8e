#pragma once
// Where the reply bytes come from: a socket in the client, a memory buffer in the fuzz targets
// and parser tests, so head parsing and chunked decoding run the same code on both.
#include "net/http_deadline.h"

#include <chrono>
#include <cstddef>
#include <string_view>

namespace velomira {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes into `data`: the count (> 0), 0 when the peer closed, < 0 on a failure
    // (then error() tells the errno).
    virtual long receive(char* data, std::size_t size) = 0;
    virtual int error() const = 0;
};

// Hands out a fixed text, at most `pieceSize` bytes per call, then reports a close.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes, std::size_t pieceSize = 8192)
        : bytes_(bytes), pieceSize_(pieceSize == 0 ? 1 : pieceSize) {}
    long receive(char* data, std::size_t size) override;
    int error() const override { return 0; }

  private:
    std::string_view bytes_;
    std::size_t pieceSize_;
};

// A source that waits on a socket: a wait longer than ioTimeout fails like the socket's own
// time-out (EAGAIN); with a deadline, a wait also ends when the deadline passes (ETIMEDOUT) or
// its stop check says so (ECANCELED), and after that every receive fails at once.
class WaitingSource : public ByteSource {
  public:
    int error() const override { return error_; }
    // A receive failed because the request's deadline had passed.
    bool deadlinePassed() const { return deadlinePassed_; }
    // A receive failed because the request was stopped.
    bool stopped() const { return stopped_; }

  protected:
    WaitingSource(int fd, const RequestDeadline* deadline, std::chrono::milliseconds ioTimeout)
        : fd_(fd), deadline_(deadline), ioTimeout_(ioTimeout) {}
    // Waits for `events` (POLLIN, POLLOUT); false with error() set when the wait failed.
    bool waitFor(short events);

    int fd_;
    const RequestDeadline* deadline_;
    int error_ = 0;

  private:
    std::chrono::milliseconds ioTimeout_;
    bool deadlinePassed_ = false;
    bool stopped_ = false;
};

// recv() on a connected socket; without a deadline it relies on the socket's own time-out.
class SocketSource : public WaitingSource {
  public:
    explicit SocketSource(int fd, const RequestDeadline* deadline = nullptr,
                          std::chrono::milliseconds ioTimeout = std::chrono::milliseconds(10000))
        : WaitingSource(fd, deadline, ioTimeout) {}
    long receive(char* data, std::size_t size) override;
};

} // namespace velomira
