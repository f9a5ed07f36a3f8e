#include "net/proxy_settings.h"

#include "net/http_text.h"
#include "platform/hex_digit.h"

#include <algorithm>

namespace velomira {

namespace {

// Credentials in an address are percent-encoded ("p%40ss" for "p@ss").
std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
            hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

const char* firstSet(const EnvironmentLookup& environment, const char* lower, const char* upper) {
    const char* value = environment(lower);
    if (value == nullptr || *value == '\0')
        value = environment(upper);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

std::vector<std::string> splitList(std::string_view list) {
    std::vector<std::string> entries;
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        std::string_view entry = trimmed(list.substr(0, comma), " \t");
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (entry.starts_with("."))
            entry.remove_prefix(1);
        if (!entry.empty())
            entries.emplace_back(entry);
    }
    return entries;
}

bool listed(const std::vector<std::string>& noProxy, std::string_view host) {
    return std::any_of(noProxy.begin(), noProxy.end(), [&](const std::string& entry) {
        if (entry == "*" || equalsNoCase(entry, host))
            return true;
        return host.size() > entry.size() && host[host.size() - entry.size() - 1] == '.' &&
               equalsNoCase(host.substr(host.size() - entry.size()), entry);
    });
}

} // namespace

std::string ProxyAddress::shownName() const {
    return host + ":" + std::to_string(port);
}

std::optional<ProxyAddress> parseProxyAddress(std::string_view text) {
    text = trimmed(text, " \t\r\n");
    if (startsWithNoCase(text, "http://"))
        text.remove_prefix(7);
    else if (text.find("://") != std::string_view::npos)
        return std::nullopt;
    text = text.substr(0, text.find('/'));
    ProxyAddress proxy;
    std::size_t at = text.rfind('@');
    if (at != std::string_view::npos) {
        std::string_view credentials = text.substr(0, at);
        std::size_t colon = credentials.find(':');
        std::string user = percentDecoded(credentials.substr(0, colon));
        std::string password =
            colon == std::string_view::npos ? "" : percentDecoded(credentials.substr(colon + 1));
        proxy.authorization = "Basic " + base64(user + ":" + password);
        text.remove_prefix(at + 1);
    }
    std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        std::string_view port = text.substr(colon + 1);
        bool digits =
            !port.empty() && port.size() <= 5 &&
            std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || parseLeadingInt(port) < 1 || parseLeadingInt(port) > 65535)
            return std::nullopt;
        proxy.port = parseLeadingInt(port);
        text = text.substr(0, colon);
    }
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7f)
            return std::nullopt;
    if (text.empty())
        return std::nullopt;
    proxy.host = std::string(text);
    return proxy;
}

ProxySettings proxySettingsFrom(const EnvironmentLookup& environment, std::string_view configured) {
    ProxySettings settings;
    std::optional<ProxyAddress> fallback = parseProxyAddress(configured);
    const char* https = firstSet(environment, "https_proxy", "HTTPS_PROXY");
    const char* http = firstSet(environment, "http_proxy", "HTTP_PROXY");
    settings.https = https != nullptr ? parseProxyAddress(https) : fallback;
    settings.http = http != nullptr ? parseProxyAddress(http) : fallback;
    if (const char* noProxy = firstSet(environment, "no_proxy", "NO_PROXY"))
        settings.noProxy = splitList(noProxy);
    return settings;
}

const ProxyAddress* proxyFor(const ProxySettings& settings, bool secure, std::string_view host) {
    const std::optional<ProxyAddress>& proxy = secure ? settings.https : settings.http;
    if (!proxy || listed(settings.noProxy, host))
        return nullptr;
    return &*proxy;
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16 |
                         static_cast<unsigned char>(bytes[i + 1]) << 8 |
                         static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            out += kDigits[(value >> shift) & 63];
    }
    std::size_t left = bytes.size() - i;
    if (left > 0) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (left == 2)
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kDigits[(value >> 18) & 63];
        out += kDigits[(value >> 12) & 63];
        out += left == 2 ? kDigits[(value >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

} // namespace velomira
