#pragma once
// Which proxy a request goes through, read as other command-line tools read it: https_proxy
// for "https:", http_proxy for "http:" (each also in upper case, the lower case first), and
// no_proxy / NO_PROXY listing the hosts that are reached directly. A proxy named in
// velomira.conf stands in for both when the environment names none.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

struct ProxyAddress {
    std::string host;
    int port = 1080;
    // "Basic ..." from user:password@ in its address; never shown in any text.
    std::string authorization;

    // "host:port": how texts name the proxy (never with its credentials).
    std::string shownName() const;
};

struct ProxySettings {
    std::optional<ProxyAddress> http;
    std::optional<ProxyAddress> https;
    std::vector<std::string> noProxy; // host names or domain suffixes; "*" is every host
};

// "[http://][user:password@]host[:port][/]"; nothing for an empty or unreadable address (an
// "https://" or "socks" proxy is not spoken here, so it reads as none).
std::optional<ProxyAddress> parseProxyAddress(std::string_view text);

// Looks a variable up; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// The settings from the environment, with `configured` (velomira.conf) in place of a proxy the
// environment leaves out.
ProxySettings proxySettingsFrom(const EnvironmentLookup& environment, std::string_view configured);

// The proxy for a request to host (secure: an "https:" address); null for a direct one.
const ProxyAddress* proxyFor(const ProxySettings& settings, bool secure, std::string_view host);

// Base64 of the bytes, with padding.
std::string base64(std::string_view bytes);

} // namespace velomira
