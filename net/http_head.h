#pragma once
// Reading and parsing the head of an HTTP reply. The whole head must fit in one 8192-byte
// receive buffer; the fields that matter to the client are picked from it.
#include "net/http_byte_source.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace velomira {

constexpr std::size_t kHttpBufferSize = 8192;
constexpr int kHttpBodyLimit = 10485760; // 10 MiB, largest body accepted
// Field sizes including the terminator the fields had as fixed arrays: longer values are refused
// (location, so a cut URL is never followed) or cut (the others).
constexpr std::size_t kLocationSize = 512;
constexpr std::size_t kConnectionSize = 16;
constexpr std::size_t kContentEncodingSize = 32;

// The fixed receive buffer. Consumed bytes are skipped, not moved; the unread rest moves to the
// front only when more must be received, so many small chunks cost no copying per chunk.
struct ReceiveBuffer {
    std::array<char, kHttpBufferSize> bytes{};
    std::size_t begin = 0; // first unread byte
    std::size_t size = 0;  // unread bytes

    std::string_view view() const { return {bytes.data() + begin, size}; }
    std::size_t space() const { return bytes.size() - size; }
    bool full() const { return size == bytes.size(); }
    void drop(std::size_t count);  // forgets the first count unread bytes
    long fill(ByteSource& source); // one receive into the free space; the receive's result
};

struct HttpHead {
    int contentLength = -1; // -1 when absent
    bool lengthAnnounced = false;
    bool isChunked = false;
    std::string location; // absolute redirect target, empty when absent or refused
    std::string connection;
    std::string contentEncoding;
};

// Parses the head lines (without the final blank line). Relative Location values are joined to
// requestUrl.
HttpHead parseHttpHead(std::string_view head, std::string_view requestUrl);

// The absolute target of a Location value seen on a reply to requestUrl; empty when the result
// would not fit kLocationSize.
std::string resolveLocation(std::string_view value, std::string_view requestUrl);

enum class HeadStatus { Complete, TooLarge, Closed };

struct HeadRead {
    HeadStatus status = HeadStatus::Closed;
    std::size_t headLength = 0; // bytes before the blank line (Complete)
    long lastResult = 0;        // last receive result (Closed)
    int lastError = 0;
};

// Receives into buffer until it holds "\r\n\r\n" (Complete), fills up first (TooLarge) or the
// source ends or fails (Closed). Bytes already in buffer count.
HeadRead readHttpHead(ByteSource& source, ReceiveBuffer& buffer);

} // namespace velomira
