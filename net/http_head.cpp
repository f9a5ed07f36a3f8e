#include "net/http_head.h"

#include "net/http_text.h"

#include <algorithm>
#include <cstring>

namespace velomira {

void ReceiveBuffer::drop(std::size_t count) {
    count = std::min(count, size);
    begin = size == count ? 0 : begin + count;
    size -= count;
}

long ReceiveBuffer::fill(ByteSource& source) {
    if (full())
        return 0;
    if (begin > 0) {
        std::memmove(bytes.data(), bytes.data() + begin, size);
        begin = 0;
    }
    long got = source.receive(bytes.data() + size, space());
    if (got > 0)
        size += static_cast<std::size_t>(got);
    return got;
}

std::string resolveLocation(std::string_view value, std::string_view requestUrl) {
    std::string target;
    if (value.empty())
        return {};
    if (startsWithNoCase(value, "http:") || startsWithNoCase(value, "https:")) {
        target = std::string(value);
    } else if (value.starts_with("/")) {
        // Same scheme and host: cut the request URL before the first "/" after its eighth byte.
        std::size_t slash = requestUrl.size() > 8 ? requestUrl.find('/', 8) : std::string::npos;
        target = std::string(requestUrl.substr(0, slash)) + std::string(value);
    } else {
        // Relative to the request's folder: cut after the last "/" past the eighth byte.
        std::size_t slash = requestUrl.rfind('/');
        if (slash != std::string_view::npos && slash >= 8)
            target = std::string(requestUrl.substr(0, slash + 1)) + std::string(value);
        else
            target = std::string(requestUrl) + "/" + std::string(value);
    }
    if (target.size() >= kLocationSize)
        return {};
    return target;
}

HttpHead parseHttpHead(std::string_view head, std::string_view requestUrl) {
    HttpHead parsed;
    while (!head.empty()) {
        std::size_t end = head.find("\r\n");
        std::string_view line = head.substr(0, end);
        head = end == std::string_view::npos ? std::string_view() : head.substr(end + 2);
        if (startsWithNoCase(line, "Content-Length: ")) {
            parsed.contentLength = parseLeadingInt(line.substr(16));
            parsed.lengthAnnounced = true;
        } else if (equalsNoCase(line, "Transfer-Encoding: chunked")) {
            parsed.isChunked = true;
        } else if (startsWithNoCase(line, "Location: ")) {
            parsed.location = resolveLocation(line.substr(10), requestUrl);
        } else if (startsWithNoCase(line, "Connection: ")) {
            parsed.connection = std::string(line.substr(12, kConnectionSize - 1));
        } else if (startsWithNoCase(line, "Content-Encoding: ")) {
            parsed.contentEncoding = std::string(line.substr(18, kContentEncodingSize - 1));
        }
    }
    return parsed;
}

HeadRead readHttpHead(ByteSource& source, ReceiveBuffer& buffer) {
    HeadRead read;
    std::size_t searched = 0; // bytes already known not to start the blank line
    for (;;) {
        std::size_t end = buffer.view().find("\r\n\r\n", searched);
        if (end != std::string_view::npos) {
            read.status = HeadStatus::Complete;
            read.headLength = end;
            return read;
        }
        searched = buffer.size > 3 ? buffer.size - 3 : 0;
        if (buffer.full()) {
            read.status = HeadStatus::TooLarge;
            return read;
        }
        long got = buffer.fill(source);
        if (got <= 0) {
            read.status = HeadStatus::Closed;
            read.lastResult = got;
            read.lastError = got < 0 ? source.error() : 0;
            return read;
        }
    }
}

} // namespace velomira
