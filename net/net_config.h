#pragma once
// velomira.conf in the program folder: the addresses of the vendor's web services, the shop
// hosts and the loader's steering values. A plain "key = value" text (UTF-8); lines whose
// first visible character is '#' are comments. Unknown keys are ignored and a number that
// does not read keeps its default, so an old or hand-edited file never stops the program.
#include "net/http_client_config.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace velomira {

struct NetConfig {
    // Vendor picture service: "host[:port]" or a base address "http://host[:port]/...". Empty:
    // the vendor route refuses with its failure message.
    std::string vendorHost;
    // Where the client connects when a name with fallbackDomainSuffix does not resolve.
    std::string fallbackAddress;
    std::string fallbackDomainSuffix;

    // Loader mode: 1, 3, 5, 6 read the shop directly, anything else asks the vendor service.
    // The direct route takes pasted picture addresses without any service behind it.
    int loaderMode = 1;
    // The shop's item JSON request with one "%s" for the item id.
    std::string requestTemplate;
    // 3 offers all three picture types; anything else the main pictures alone.
    int typeSwitch = 3;
    std::string cookie;
    // Host of the shop's desktop item page (sent as Referer with the JSON request).
    std::string itemPageHost;
    // When requestTemplate names this host, the reply is read in the older JSON layout.
    std::string olderApiHost;
    // Item pages of this shop cannot be read here; the dialog points to the browser extension.
    std::string blockedShopDomain = "1688.com";

    // The installation identifier (sent backwards as sid) and the program version (sent as v).
    std::string installationId;
    double programVersion = 1.0;

    // Address of the stock music list; empty: stock music does nothing.
    std::string stockMusicListUrl;
    // The vendor's web site ("官方网站", the guide, the font page); empty: those commands say
    // that no address is configured.
    std::string webSite;

    // Overall time one request may take, in seconds: a page or list, and one picture or music
    // file. A value below 1 or above a day keeps the default.
    int pageDeadlineSeconds = 60;
    int pictureDeadlineSeconds = 120;

    // "[http://][user:password@]host[:port]": the proxy used when the environment names none
    // (a desktop that does not export https_proxy / http_proxy to the window program).
    std::string proxy;
};

// The name of the file in the program folder.
inline constexpr const char* kNetConfigFileName = "velomira.conf";

NetConfig parseNetConfig(std::string_view text);

// Reads the file; a missing, unreadable or oversized file gives the defaults.
NetConfig loadNetConfig(const std::filesystem::path& file);

// The client's settings from the file: the fallback, the deadlines (the per-step time-outs
// stay at their defaults) and the proxies, from the given environment first, then the file.
HttpClientConfig httpClientConfigFor(const NetConfig& config, const EnvironmentLookup& environment);
// The same with the program's own environment.
HttpClientConfig httpClientConfigFor(const NetConfig& config);

} // namespace velomira
