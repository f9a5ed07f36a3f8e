#include "net/net_config.h"

#include "app/string_utils.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace velomira {

namespace {

// A configuration file is a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t kMaxConfigBytes = 1 << 20;

// Every C white-space byte counts in a configuration line.
constexpr std::string_view kConfigBlanks = " \t\r\n\v\f";

template <typename Number> void readNumber(std::string_view value, Number& target) {
    Number parsed{};
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (error == std::errc() && end == value.data() + value.size())
        target = parsed;
}

// A deadline of less than a second would fail every request; more than a day is a typo.
void readDeadline(std::string_view value, int& seconds) {
    int parsed = 0;
    readNumber(value, parsed);
    if (parsed >= 1 && parsed <= 86400)
        seconds = parsed;
}

void applySetting(NetConfig& config, std::string_view key, std::string_view value) {
    std::string text(value);
    if (key == "vendor_host")
        config.vendorHost = text;
    else if (key == "fallback_address")
        config.fallbackAddress = text;
    else if (key == "fallback_domain_suffix")
        config.fallbackDomainSuffix = text;
    else if (key == "loader_mode")
        readNumber(value, config.loaderMode);
    else if (key == "request_template")
        config.requestTemplate = text;
    else if (key == "type_switch")
        readNumber(value, config.typeSwitch);
    else if (key == "cookie")
        config.cookie = text;
    else if (key == "item_page_host")
        config.itemPageHost = text;
    else if (key == "older_api_host")
        config.olderApiHost = text;
    else if (key == "blocked_shop_domain")
        config.blockedShopDomain = text;
    else if (key == "installation_id")
        config.installationId = text;
    else if (key == "version")
        readNumber(value, config.programVersion);
    else if (key == "stock_music_list_url")
        config.stockMusicListUrl = text;
    else if (key == "web_site")
        config.webSite = text;
    else if (key == "page_deadline_seconds")
        readDeadline(value, config.pageDeadlineSeconds);
    else if (key == "picture_deadline_seconds")
        readDeadline(value, config.pictureDeadlineSeconds);
    else if (key == "proxy")
        config.proxy = text;
}

} // namespace

NetConfig parseNetConfig(std::string_view text) {
    NetConfig config;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = trimmed(text.substr(0, end), kConfigBlanks);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        applySetting(config, trimmed(line.substr(0, equals), kConfigBlanks),
                     trimmed(line.substr(equals + 1), kConfigBlanks));
    }
    return config;
}

NetConfig loadNetConfig(const std::filesystem::path& file) {
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxConfigBytes)
        return NetConfig{};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return NetConfig{};
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > kMaxConfigBytes)
        return NetConfig{};
    return parseNetConfig(text);
}

HttpClientConfig httpClientConfigFor(const NetConfig& config,
                                     const EnvironmentLookup& environment) {
    HttpClientConfig client;
    client.fallbackDomainSuffix = config.fallbackDomainSuffix;
    client.fallbackAddress = config.fallbackAddress;
    client.pageDeadline = std::chrono::seconds(config.pageDeadlineSeconds);
    client.pictureDeadline = std::chrono::seconds(config.pictureDeadlineSeconds);
    client.proxy = proxySettingsFrom(environment, config.proxy);
    return client;
}

HttpClientConfig httpClientConfigFor(const NetConfig& config) {
    return httpClientConfigFor(config, [](const char* name) { return std::getenv(name); });
}

} // namespace velomira
