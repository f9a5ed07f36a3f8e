// Feeds arbitrary bytes as a URL (to the parser and the request head) and as a redirect
// target. An accepted URL must give a sane port and path, and its request head exactly the
// fixed header lines: no byte of the URL may start a line of its own.
#include "net/http_head.h"
#include "net/http_request_head.h"
#include "net/url_parts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::size_t countByte(const std::string& text, char byte) {
    std::size_t count = 0;
    for (char c : text)
        count += c == byte;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    velomira::UrlParts parts;
    if (velomira::parseUrl(text, parts)) {
        if (parts.port < 0 || parts.port > 65535 || !parts.path.starts_with("/") ||
            parts.host.find_first_of("/:") != std::string::npos)
            std::abort();
        std::string head = velomira::buildRequestHead(parts, "", "", true);
        // Request line, four header lines, Connection and the blank line.
        if (!head.empty() && (countByte(head, '\n') != 7 || countByte(head, '\r') != 7))
            std::abort();
    }
    if (velomira::resolveLocation(text, "http://h/dir/page").size() >= velomira::kLocationSize)
        std::abort();
    std::string encoded = velomira::urlEncode(text);
    if (encoded.size() > 3 * size ||
        encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                  "0123456789-._+%") != std::string::npos)
        std::abort();
    return 0;
}
