#include "net/net_config.h"
#include "support/source_root.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace velomira {
namespace {

TEST(NetConfig, DefaultsLeaveVendorServicesOffAndTakePictureAddressesDirectly) {
    NetConfig config = parseNetConfig("");
    EXPECT_TRUE(config.vendorHost.empty());
    EXPECT_TRUE(config.stockMusicListUrl.empty());
    EXPECT_EQ(config.loaderMode, 1);
    EXPECT_EQ(config.typeSwitch, 3);
    EXPECT_EQ(config.blockedShopDomain, "1688.com");
}

TEST(NetConfig, ReadsKeysCommentsSpacesAndLineEnds) {
    NetConfig config = parseNetConfig("\xEF\xBB\xBF# comment = ignored\r\n"
                                      "  vendor_host =  pics.example:8080  \r\n"
                                      "\n"
                                      "loader_mode=4\n"
                                      "request_template = http://api.example/x?q=a=b&id=%s\n"
                                      "cookie = t=1; k=#2\n"
                                      "   # indented comment\n"
                                      "installation_id = 0123456789abcdef0123456789ABCDEF\n"
                                      "version = 2.35\n"
                                      "stock_music_list_url = http://m.example/list.txt\n"
                                      "web_site = http://www.example");
    EXPECT_EQ(config.vendorHost, "pics.example:8080");
    EXPECT_EQ(config.loaderMode, 4);
    // Only the first "=" separates; values keep theirs and any "#" inside.
    EXPECT_EQ(config.requestTemplate, "http://api.example/x?q=a=b&id=%s");
    EXPECT_EQ(config.cookie, "t=1; k=#2");
    EXPECT_EQ(config.installationId, "0123456789abcdef0123456789ABCDEF");
    EXPECT_DOUBLE_EQ(config.programVersion, 2.35);
    EXPECT_EQ(config.stockMusicListUrl, "http://m.example/list.txt");
    EXPECT_EQ(config.webSite, "http://www.example");
}

TEST(NetConfig, UnknownKeysAndBadNumbersKeepDefaults) {
    NetConfig config = parseNetConfig("colour = blue\n"
                                      "loader_mode = 3x\n"
                                      "type_switch =\n"
                                      "version = one\n"
                                      "no equals sign here\n"
                                      "blocked_shop_domain = \n");
    EXPECT_EQ(config.loaderMode, 1);
    EXPECT_EQ(config.typeSwitch, 3);
    EXPECT_DOUBLE_EQ(config.programVersion, 1.0);
    EXPECT_TRUE(config.blockedShopDomain.empty());
}

TEST(NetConfig, FallbackSettingsReachTheClient) {
    NetConfig config = parseNetConfig("fallback_domain_suffix = .vendor.example\n"
                                      "fallback_address = 192.0.2.7\n");
    HttpClientConfig client = httpClientConfigFor(config);
    EXPECT_EQ(client.fallbackDomainSuffix, ".vendor.example");
    EXPECT_EQ(client.fallbackAddress, "192.0.2.7");
    EXPECT_EQ(client.connectTimeout, HttpClientConfig{}.connectTimeout);
}

TEST(NetConfig, DeadlinesReachTheClientAndOddValuesKeepTheDefaults) {
    HttpClientConfig defaults = httpClientConfigFor(parseNetConfig(""));
    EXPECT_EQ(defaults.pageDeadline, std::chrono::seconds(60));
    EXPECT_EQ(defaults.pictureDeadline, std::chrono::seconds(120));

    HttpClientConfig set = httpClientConfigFor(
        parseNetConfig("page_deadline_seconds = 15\npicture_deadline_seconds = 300\n"));
    EXPECT_EQ(set.pageDeadline, std::chrono::seconds(15));
    EXPECT_EQ(set.pictureDeadline, std::chrono::seconds(300));

    for (const char* odd : {"0", "-5", "86401", "1e3", "ten", ""}) {
        NetConfig config = parseNetConfig(std::string("page_deadline_seconds = ") + odd +
                                          "\npicture_deadline_seconds = " + odd + "\n");
        EXPECT_EQ(config.pageDeadlineSeconds, 60) << odd;
        EXPECT_EQ(config.pictureDeadlineSeconds, 120) << odd;
    }
}

TEST(NetConfig, ShippedFileParsesToTheDefaults) {
    NetConfig shipped = loadNetConfig(VELOMIRA_DIST_CONF);
    EXPECT_EQ(shipped.pageDeadlineSeconds, 60);
    EXPECT_EQ(shipped.pictureDeadlineSeconds, 120);
    EXPECT_EQ(shipped.blockedShopDomain, "1688.com");
}

TEST(NetConfig, LoadsFileAndFallsBackWhenMissing) {
    testing::TempFolder folder;
    std::string path = folder.writeFile(kNetConfigFileName, "loader_mode = 0\nvendor_host = v\n");
    NetConfig config = loadNetConfig(path);
    EXPECT_EQ(config.loaderMode, 0);
    EXPECT_EQ(config.vendorHost, "v");

    NetConfig missing = loadNetConfig(folder.path() / "absent.conf");
    EXPECT_EQ(missing.loaderMode, 1);
    NetConfig folderInstead = loadNetConfig(folder.path());
    EXPECT_EQ(folderInstead.loaderMode, 1);
}

TEST(NetConfig, ShippedFileNamesEveryKeyWithItsDefault) {
    // The file ships from dist/ at the repository root.
    std::ifstream in(testing::sourceRoot() / "dist" / kNetConfigFileName);
    ASSERT_TRUE(in);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* key :
         {"vendor_host", "fallback_domain_suffix", "fallback_address", "loader_mode",
          "request_template", "type_switch", "cookie", "item_page_host", "older_api_host",
          "blocked_shop_domain", "installation_id", "version", "stock_music_list_url", "web_site"})
        EXPECT_NE(text.find(std::string("\n") + key + " ="), std::string::npos) << key;

    NetConfig shipped = parseNetConfig(text);
    NetConfig defaults;
    EXPECT_EQ(shipped.vendorHost, defaults.vendorHost);
    EXPECT_EQ(shipped.loaderMode, defaults.loaderMode);
    EXPECT_EQ(shipped.typeSwitch, defaults.typeSwitch);
    EXPECT_EQ(shipped.blockedShopDomain, defaults.blockedShopDomain);
    EXPECT_DOUBLE_EQ(shipped.programVersion, defaults.programVersion);
    EXPECT_EQ(shipped.stockMusicListUrl, defaults.stockMusicListUrl);
}

} // namespace
} // namespace velomira
