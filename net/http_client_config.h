#pragma once
// Settings of the HTTP client that come from outside: the fallback for one domain whose names
// may not resolve, and the time-outs (tests shorten them).
#include <chrono>
#include <string>

namespace velomira {

struct HttpClientConfig {
    std::string fallbackDomainSuffix; // from velomira.conf; empty = no fallback
    std::string fallbackAddress;      // dotted IPv4
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds ioTimeout{10000}; // SO_SNDTIMEO / SO_RCVTIMEO
};

} // namespace velomira
