#pragma once
// Settings of the HTTP client that come from outside: the fallback for one domain whose names
// may not resolve, the time-outs and deadlines (tests shorten them), and the proxies.
#include "net/proxy_settings.h"

#include <chrono>
#include <string>

namespace velomira {

struct HttpClientConfig {
    std::string fallbackDomainSuffix; // from velomira.conf; empty = no fallback
    std::string fallbackAddress;      // dotted IPv4
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds ioTimeout{10000}; // SO_SNDTIMEO / SO_RCVTIMEO
    // Overall time of one request, redirects included: a page or list, and one picture or
    // other file.
    std::chrono::milliseconds pageDeadline{60000};
    std::chrono::milliseconds pictureDeadline{120000};
    // The proxies requests go through; none unless the program reads them in.
    ProxySettings proxy;
};

} // namespace velomira
