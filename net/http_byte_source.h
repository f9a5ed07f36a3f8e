#pragma once
// Where the reply bytes come from: a socket in the client, a memory buffer in the fuzz targets
// and parser tests, so head parsing and chunked decoding run the same code on both.
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

// recv() on a connected socket; a time-out set on the socket ends a wait with a failure.
class SocketSource : public ByteSource {
  public:
    explicit SocketSource(int fd) : fd_(fd) {}
    long receive(char* data, std::size_t size) override;
    int error() const override { return error_; }

  private:
    int fd_;
    int error_ = 0;
};

} // namespace velomira
