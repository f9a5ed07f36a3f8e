#include "ui/product_dialog_form.h"

#include <gtest/gtest.h>

#include <string>

namespace velomira {
namespace {

const char* kBlocked = "关于加载1688商品图片：\n\n请点击【使用浏览器扩展程序获取图片地址】\n"
                       "先获取商品图片地址，然后将图片地址添加到软件中。";

TEST(ProductDialogForm, LayoutAndTypeListFollowTheLoaderModeAndTypeSwitch) {
    struct Case {
        int mode;
        int typeSwitch;
        bool typeListShown;
        const char* label;
        ControlRect labelRect;
        ControlRect fieldRect;
        std::vector<std::string> types;
    };
    const std::vector<std::string> all{"主图", "颜色分类图", "主图 + 颜色分类图"};
    const std::vector<std::string> mainOnly{"主图"};
    const Case cases[] = {
        {1, 3, true, "宝贝地址或图片地址：", {16, 56, 396, 19}, {16, 76, 396, 22}, all},
        {5, 3, true, "宝贝地址或图片地址：", {16, 56, 396, 19}, {16, 76, 396, 22}, all},
        {0, 2, true, "宝贝地址或图片地址：", {16, 56, 396, 19}, {16, 76, 396, 22}, mainOnly},
        {6, 3, false, "图片地址：", {16, 36, 396, 19}, {16, 56, 396, 22}, all},
        {6, 0, false, "图片地址：", {16, 36, 396, 19}, {16, 56, 396, 22}, mainOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " typeSwitch " +
                     std::to_string(c.typeSwitch));
        NetConfig config;
        config.loaderMode = c.mode;
        config.typeSwitch = c.typeSwitch;
        ProductDialogLayout layout = productDialogLayout(config);
        EXPECT_EQ(layout.typeListShown, c.typeListShown);
        EXPECT_EQ(layout.addressLabel, c.label);
        EXPECT_EQ(layout.addressLabelRect, c.labelRect);
        EXPECT_EQ(layout.addressFieldRect, c.fieldRect);
        EXPECT_EQ(layout.typeTexts, c.types);
    }
}

TEST(ProductDialogForm, OkChecksTrimRefuseOrCloseWithoutLosingTheText) {
    const std::string item = "https://item.example.com/item.htm?id=123456";
    const std::string picture = "http://img.example.com/a.jpg";
    std::string longList; // forty picture addresses: long, but every one is sound
    for (int i = 0; i < 40; ++i)
        longList += (i ? ";" : "") + std::string("http://img.example.com/") + std::string(90, 'p') +
                    std::to_string(i) + ".jpg";
    ASSERT_GT(longList.size(), 3700u);
    const std::string huge = "http://img.example.com/" + std::string(4977, 'x'); // 5000 chars
    std::string wide; // 2100 Chinese characters are 6300 bytes but 2100 characters
    for (int i = 0; i < 2100; ++i)
        wide += "图";

    struct Case {
        std::string name;
        std::string text;
        int typeIndex;
        int typeSwitch;
        ProductDialogOutcome outcome;
        std::string address; // Accept: the request's address
        int pictureType;     // Accept: the request's type
        std::string message; // Refuse: the message
        bool focusLink;
    };
    using O = ProductDialogOutcome;
    const Case cases[] = {
        {"plain item", item, 0, 3, O::Accept, item, 0, "", false},
        {"trimmed both ends", " \t\r\n" + item + " \r\n", 2, 3, O::Accept, item, 2, "", false},
        {"colour type", picture, 1, 3, O::Accept, picture, 1, "", false},
        {"type clamped to main-only list", picture, 2, 0, O::Accept, picture, 0, "", false},
        {"negative type index", picture, -1, 3, O::Accept, picture, 0, "", false},
        {"blocked shop", "https://detail.1688.com/offer/1.html", 0, 3, O::Refuse, "", 0, kBlocked,
         true},
        {"blocked shop any case", "HTTPS://DETAIL.1688.COM/x", 0, 3, O::Refuse, "", 0, kBlocked,
         true},
        {"empty", "", 0, 3, O::Close, "", 0, "", false},
        {"only spaces", "  \t \r\n ", 0, 3, O::Close, "", 0, "", false},
        {"line break inside", picture + "\n" + picture, 0, 3, O::Refuse, "", 0,
         controlCharacterMessage(), false},
        {"carriage return header", "http://a.example.com/x.jpg\r\nHost: b", 0, 3, O::Refuse, "", 0,
         controlCharacterMessage(), false},
        {"tab inside", "http://a.example.com/\tx.jpg", 0, 3, O::Refuse, "", 0,
         controlCharacterMessage(), false},
        {"escape and delete", std::string("http://a.example.com/\x1b\x7fx.jpg"), 0, 3, O::Refuse,
         "", 0, controlCharacterMessage(), false},
        {"nul byte", std::string("http://a.example.com/\0x.jpg", 27), 0, 3, O::Refuse, "", 0,
         controlCharacterMessage(), false},
        {"5000 characters", huge, 0, 3, O::Refuse, "", 0, tooLongAddressMessage(), false},
        {"2048 characters fit", std::string(2048, 'a'), 0, 3, O::Accept, std::string(2048, 'a'), 0,
         "", false},
        {"2049 characters", std::string(2049, 'a'), 0, 3, O::Refuse, "", 0, tooLongAddressMessage(),
         false},
        {"counted in characters, not bytes", wide, 0, 3, O::Refuse, "", 0, tooLongAddressMessage(),
         false},
        {"long list of sound pieces", longList, 0, 3, O::Accept, longList, 0, "", false},
        {"over the field's limit", longList + ";" + longList + ";" + longList, 0, 3, O::Refuse, "",
         0, tooLongAddressMessage(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetConfig config;
        config.typeSwitch = c.typeSwitch;
        ProductDialogVerdict verdict = checkProductDialog(config, c.text, c.typeIndex);
        EXPECT_EQ(verdict.outcome, c.outcome);
        EXPECT_EQ(verdict.focusLink, c.focusLink);
        if (c.outcome == O::Accept) {
            EXPECT_EQ(verdict.request.address, c.address);
            EXPECT_EQ(verdict.request.pictureType, c.pictureType);
        }
        if (c.outcome == O::Refuse) {
            EXPECT_EQ(verdict.message, c.message);
            EXPECT_EQ(verdict.title, "提示");
        }
    }
}

TEST(ProductDialogForm, BlockedDomainComesFromTheConfigurationAndHelpPageFromTheSite) {
    NetConfig config;
    config.blockedShopDomain = "";
    EXPECT_EQ(checkProductDialog(config, "https://detail.1688.com/x", 0).outcome,
              ProductDialogOutcome::Accept);
    config.blockedShopDomain = "shop.example";
    EXPECT_EQ(checkProductDialog(config, "https://Shop.Example/item?id=1", 0).outcome,
              ProductDialogOutcome::Refuse);

    EXPECT_FALSE(extensionHelpAddress(config));
    config.webSite = "www.example.com/";
    EXPECT_EQ(extensionHelpAddress(config), "http://www.example.com/extension.html");
    config.webSite = "https://www.example.com";
    EXPECT_EQ(extensionHelpAddress(config), "https://www.example.com/extension.html");
}

} // namespace
} // namespace velomira
