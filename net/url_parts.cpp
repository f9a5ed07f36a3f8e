#include "net/url_parts.h"

#include "net/http_text.h"

namespace velomira {

namespace {

bool hasControlByte(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f)
            return true;
    return false;
}

} // namespace

bool parseUrl(std::string_view url, UrlParts& parts) {
    if (!startsWithNoCase(url, "http") && !startsWithNoCase(url, "//"))
        return false;
    if (hasControlByte(url))
        return false;
    std::size_t firstSlash = url.find('/');
    if (firstSlash == std::string_view::npos || firstSlash + 2 > url.size())
        return false;
    std::size_t hostStart = firstSlash + 2;
    std::size_t pathStart = url.find('/', hostStart);
    std::string_view hostPart =
        url.substr(hostStart, pathStart == std::string_view::npos ? std::string_view::npos
                                                                  : pathStart - hostStart);
    UrlParts result;
    result.path =
        pathStart == std::string_view::npos ? std::string("/") : std::string(url.substr(pathStart));
    std::size_t colon = hostPart.find(':');
    if (colon != std::string_view::npos) {
        result.host = std::string(hostPart.substr(0, colon));
        long port = parseLeadingInt(hostPart.substr(colon + 1));
        if (port < 0 || port > 65535)
            return false;
        result.port = static_cast<int>(port);
        result.portGiven = true;
    } else {
        result.host = std::string(hostPart);
        result.port = url.starts_with("https:") ? 443 : 80;
    }
    result.secure = startsWithNoCase(url, "https:");
    parts = std::move(result);
    return true;
}

std::string urlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (c == ' ') {
            out += '+';
        } else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                   c == '-' || c == '.' || c == '_') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0f];
        }
    }
    return out;
}

} // namespace velomira
