#include "net/product_address.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(ParseItemId, FindsTheFirstMarkerInOrderAndStopsAtAmpersand) {
    EXPECT_EQ(parseItemId("https://item.example/item.htm?id=123456&spm=a").value(), "123456");
    EXPECT_EQ(parseItemId("https://item.example/item.htm?spm=a&id=987&x=1").value(), "987");
    EXPECT_EQ(parseItemId("https://m.example/i?item_num_id=55&b=2").value(), "55");
    EXPECT_EQ(parseItemId("https://m.example/i?b=2&item_num_id=66").value(), "66");
    // "?id=" wins over an earlier "&id=".
    EXPECT_EQ(parseItemId("x?a=1&id=1&q?id=2").value(), "2");
}

TEST(ParseItemId, RefusesMissingOrEmptyIdsAndCutsLongOnes) {
    EXPECT_FALSE(parseItemId("https://item.example/item.htm").has_value());
    EXPECT_FALSE(parseItemId("https://item.example/item.htm?id=").has_value());
    EXPECT_FALSE(parseItemId("https://item.example/item.htm?id=&x=1").has_value());
    EXPECT_FALSE(parseItemId("").has_value());
    std::string longId(100, '7');
    EXPECT_EQ(parseItemId("a?id=" + longId).value(), std::string(63, '7'));
}

TEST(ItemIdNumber, AcceptsSignedDecimalsOnly) {
    for (const char* good : {"123", "-5", "1.5", "0", ".5"})
        EXPECT_TRUE(isItemIdNumber(good)) << good;
    for (const char* bad : {"", "-", ".", "12ab", "1.2.3", "1 2", "+1", "1-2", "０"})
        EXPECT_FALSE(isItemIdNumber(bad)) << bad;
}

TEST(StripWebpSuffix, CutsSixBytesInAnyCase) {
    EXPECT_EQ(stripWebpSuffix("http://p.example/a.jpg_.webp"), "http://p.example/a.jpg");
    EXPECT_EQ(stripWebpSuffix("http://p.example/a.jpg_.WEBP"), "http://p.example/a.jpg");
    EXPECT_EQ(stripWebpSuffix("http://p.example/a.jpg_.WeBp"), "http://p.example/a.jpg");
    EXPECT_EQ(stripWebpSuffix("http://p.example/a.webp"), "http://p.example/a.webp");
    // Cut once only: a doubled tail keeps one.
    EXPECT_EQ(stripWebpSuffix("http://p.example/a_.webp_.webp"), "http://p.example/a_.webp");
    EXPECT_EQ(stripWebpSuffix("_.webp"), "");
    EXPECT_EQ(stripWebpSuffix(".webp"), ".webp");
}

TEST(PictureAddresses, SplitsAtSemicolonsKeepingPictureAddressesInOrder) {
    auto kept = pictureAddressesIn("http://a.example/1.jpg;http://a.example/2.bmp;"
                                   "https://a.example/3.PNG;ftp://a.example/4.gif;"
                                   "http://a.example/5.Gif;;");
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0], "http://a.example/1.jpg");
    EXPECT_EQ(kept[1], "https://a.example/3.PNG");
    EXPECT_EQ(kept[2], "http://a.example/5.Gif");

    EXPECT_EQ(pictureAddressesIn("http://a.example/one.jpg").size(), 1u);
    // Saved files are recognised by their bytes: every picture type of today is taken.
    EXPECT_EQ(pictureAddressesIn("https://a.example/1.webp;https://a.example/2.AVIF;"
                                 "https://a.example/3.heic;https://a.example/4.tiff")
                  .size(),
              4u);
    EXPECT_TRUE(pictureAddressesIn("http://a.example/item.htm?id=5").empty());
    EXPECT_TRUE(pictureAddressesIn("HTTP://a.example/1.jpg").empty());
    EXPECT_TRUE(pictureAddressesIn("").empty());
}

TEST(BlockedShop, WarnsOnlyWhenTheDomainAppears) {
    std::string warning = "关于加载1688商品图片：\n\n请点击【使用浏览器扩展程序获取图片地址】\n"
                          "先获取商品图片地址，然后将图片地址添加到软件中。";
    EXPECT_EQ(blockedShopWarning("https://detail.1688.com/offer/1.html", "1688.com").value(),
              warning);
    EXPECT_EQ(blockedShopWarning("https://DETAIL.1688.COM/offer/1.html", "1688.com").value(),
              warning);
    EXPECT_FALSE(blockedShopWarning("https://item.example/item.htm?id=1688", "1688.com"));
    EXPECT_FALSE(blockedShopWarning("https://detail.1688.com/", ""));
}

} // namespace
} // namespace velomira
