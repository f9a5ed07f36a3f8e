#include "net/product_loader.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

std::string dots(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "…";
    return text;
}

TEST(ProgressText, BarGrowsWithDoneCountedInGbkBytes) {
    // "加载宝贝图片: 1 / 2" is 19 GBK bytes: (84 - 19) * 1 / 2 = 32, half of it in dots.
    EXPECT_EQ(progressText(1, 2), "加载宝贝图片: 1 / 2 " + dots(16));
    EXPECT_EQ(progressText(2, 2), "加载宝贝图片: 2 / 2 " + dots(32));
    // (84 - 20) * 1 / 40 = 1: no dot; * 2 / 40 = 3: one dot.
    EXPECT_EQ(progressText(1, 40), "加载宝贝图片: 1 / 40 ");
    EXPECT_EQ(progressText(2, 40), "加载宝贝图片: 2 / 40 " + dots(1));
    EXPECT_EQ(progressText(0, 5), "加载宝贝图片: 0 / 5 ");
}

TEST(ProgressText, DegenerateCountsAndLongTexts) {
    EXPECT_EQ(progressText(0, 0), "加载宝贝图片: 0 / 0 ");
    EXPECT_EQ(withProgressBar(std::string(90, 'x'), 3, 3), std::string(90, 'x') + " ");
    EXPECT_EQ(withProgressBar("", 1, 1), " " + dots(42));
}

TEST(VendorReply, PictureLinesUntilTheFirstOtherLine) {
    using V = std::vector<std::string>;
    EXPECT_EQ(vendorPictureList("http://a/1.jpg\nhttps://a/2.jpg\nhttp://a/3.jpg\n\n"),
              (V{"http://a/1.jpg", "https://a/2.jpg", "http://a/3.jpg"}));
    EXPECT_EQ(vendorPictureList("http://a/1.jpg\r\nhttp://a/2.jpg\r\n"),
              (V{"http://a/1.jpg", "http://a/2.jpg"}));
    EXPECT_EQ(vendorPictureList("http://a/1.jpg\nnote\nhttp://a/2.jpg"), (V{"http://a/1.jpg"}));
    EXPECT_TRUE(vendorPictureList("\nhttp://a/1.jpg").empty());
    EXPECT_TRUE(vendorPictureList("").empty());
}

TEST(RequestAddresses, VendorRequestCarriesVersionReversedSidAndEncodedAddress) {
    NetConfig config;
    config.vendorHost = "pics.example:81";
    config.installationId = "abc123";
    config.programVersion = 2.46;
    EXPECT_EQ(vendorRequestUrl(config, "https://s.example/i.htm?id=5&x=y z", 2),
              "http://pics.example:81/getProductImg/API.asp?v=2.5&sid=321cba&baobeiURL="
              "https%3A%2F%2Fs.example%2Fi.htm%3Fid%3D5%26x%3Dy+z&m=2&");
    config.vendorHost = "http://pics.example/base";
    EXPECT_EQ(vendorRequestUrl(config, "a", 0),
              "http://pics.example/base/getProductImg/API.asp?v=2.5&sid=321cba&baobeiURL=a&m=0&");
}

TEST(RequestAddresses, ShopTemplateTakesTheIdOnceAndNoOtherDirective) {
    EXPECT_EQ(shopRequestUrl("http://api.example/d?id=%s&t=1", ShopJsonLayout::Current, "42"),
              "http://api.example/d?id=42&t=1");
    EXPECT_EQ(shopRequestUrl("http://a/%s/%s?p=100%%&%d%n", ShopJsonLayout::Current, "7"),
              "http://a/7/%s?p=100%&%d%n");
    EXPECT_EQ(shopRequestUrl("http://a/x%", ShopJsonLayout::Current, "7"), "http://a/x%");
    EXPECT_EQ(shopRequestUrl("http://old.example/i?id=", ShopJsonLayout::Older, "7"),
              "http://old.example/i?id=7&");
}

TEST(LoaderSettings, ModeLayoutAndTypeList) {
    for (int mode : {1, 3, 5, 6})
        EXPECT_TRUE(usesDirectRoute(mode)) << mode;
    for (int mode : {0, 2, 4, 7, -1})
        EXPECT_FALSE(usesDirectRoute(mode)) << mode;

    NetConfig config;
    config.requestTemplate = "http://old.example/api?id=";
    EXPECT_EQ(shopLayoutFor(config), ShopJsonLayout::Current);
    config.olderApiHost = "old.example";
    EXPECT_EQ(shopLayoutFor(config), ShopJsonLayout::Older);
    config.requestTemplate = "http://new.example/api?id=%s";
    EXPECT_EQ(shopLayoutFor(config), ShopJsonLayout::Current);

    EXPECT_EQ(pictureTypeTexts(3),
              (std::vector<std::string>{"主图", "颜色分类图", "主图 + 颜色分类图"}));
    EXPECT_EQ(pictureTypeTexts(0), std::vector<std::string>{"主图"});

    config.loaderMode = 6;
    config.cookie = "c=1";
    LoaderConfig loader = loaderConfigFrom(config);
    EXPECT_EQ(loader.mode, 6);
    EXPECT_EQ(loader.requestTemplate, config.requestTemplate);
    EXPECT_EQ(loader.typeSwitch, 3);
    EXPECT_EQ(loader.cookie, "c=1");
}

} // namespace
} // namespace velomira
