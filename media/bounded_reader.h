#pragma once
// Reads and seeks within a stream of known length. Every read or skip that would cross the
// end fails instead, so the header walks stop at the end of the file rather than seeking on
// into nothing, and a lying length field can never send them backwards.
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace velomira {

class BoundedReader {
  public:
    // Measures the stream and starts at its beginning. A stream that cannot be measured
    // reads as empty.
    explicit BoundedReader(std::FILE* file);

    long size() const { return size_; }
    long position() const { return position_; }
    bool hasError() const { return error_; }

    // Reads up to count bytes from the current position; returns how many were read.
    std::size_t readUpTo(unsigned char* out, std::size_t count);
    // Reads exactly count bytes, or fails without promising where the position stands.
    bool read(unsigned char* out, std::size_t count);
    bool readByte(unsigned& value);
    bool readBigEndian16(unsigned& value);
    // Moves forward by count bytes; fails when that passes the end.
    bool skip(long count);
    bool seek(long offset);

  private:
    std::FILE* file_;
    long size_ = 0;
    long position_ = 0;
    bool error_ = false;
};

// Little- and big-endian fields of a byte buffer; the caller checks the bounds.
inline std::uint32_t littleEndian16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
inline std::uint32_t bigEndian16(const unsigned char* p) {
    return (p[0] << 8) | p[1];
}
inline std::uint32_t littleEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint32_t bigEndian32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

} // namespace velomira
