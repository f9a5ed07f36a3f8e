#pragma once
// The request head the client sends: fixed header order, HTTP/1.1 keep-alive or HTTP/1.0 close.
#include "net/url_parts.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace velomira {

constexpr std::size_t kRequestHeadLimit = 8192;
extern const char kHttpUserAgent[];

// The head including its final blank line, or an empty string when it would exceed
// kRequestHeadLimit bytes.
std::string buildRequestHead(const UrlParts& parts, std::string_view cookie,
                             std::string_view referer, bool keepAlive);

// The same head as a plain request through a proxy wants it: the absolute address in the
// request line and the proxy's credentials, if any. Empty when it would exceed the limit.
std::string proxiedRequestHead(const std::string& head, const UrlParts& parts,
                               const std::string& authorization);

} // namespace velomira
