#pragma once
// Splitting a request URL into host, path and port, and encoding text as a query value.
#include <string>
#include <string_view>

namespace velomira {

struct UrlParts {
    std::string host; // name or dotted address, without the port
    std::string path; // from the first "/" after the host to the end, query included; at least "/"
    int port = 80;
    bool secure = false;    // "https:" in any case: only ever fetched over TLS
    bool portGiven = false; // the URL names its port
};

// True when the URL begins with "http" or "//" (any case) and names a host; the port is the
// explicit one, else 443 for "https:", else 80 (the client takes 443 for any "https:" in
// upper case too). Refuses ports outside 0..65535 and URLs with
// control bytes (they would end up raw inside the request head).
bool parseUrl(std::string_view url, UrlParts& parts);

// Space becomes "+", 0-9 A-Z a-z "-" "." "_" stay, every other byte becomes "%XX" (upper case).
std::string urlEncode(std::string_view text);

} // namespace velomira
