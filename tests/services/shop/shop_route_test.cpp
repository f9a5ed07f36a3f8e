#include "shop_fixture.h"

namespace velomira::testing {
namespace {

class ShopRoute : public ShopFixture {
  protected:
    void SetUp() override {
        config.loaderMode = 1;
        config.requestTemplate = server.url("/api/detail?data=%s&t=1");
        config.itemPageHost = "item.example";
    }
    const std::string item = "https://item.example/item.htm?spm=x&id=778899&sku=2";
    const std::string apiTarget = "/api/detail?data=778899&t=1";

    // A current-layout reply with the given main and colour picture addresses.
    static std::string currentReply(const std::vector<std::string>& main,
                                    const std::vector<std::string>& colour) {
        std::string json = R"({"ret":["SUCCESS::调用成功"],"data":{"item":{"images":[)";
        for (size_t i = 0; i < main.size(); ++i)
            json += (i ? ",\"" : "\"") + main[i] + "\"";
        json += R"(]},"skuBase":{"props":[{"pid":"1627207","values":[)";
        for (size_t i = 0; i < colour.size(); ++i)
            json += std::string(i ? "," : "") + R"({"image":")" + colour[i] + "\"}";
        return json + "]}]}}}";
    }
};

TEST_F(ShopRoute, MainPicturesBeforeColourPicturesWithWebpCopiesReplaced) {
    std::string main1 = servePicture("m1.jpg", "#ff0000");
    std::string main2 = servePicture("m2.jpg", "#00ff00");
    std::string colour = servePicture("c1.jpg", "#0000ff");
    server.route(apiTarget, currentReply({main1, main2 + "_.WEBP"}, {colour + "_.webp"}));

    EXPECT_EQ(load(2, item), 3);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(albumFileBytes(),
              (std::vector<std::string>{served[main1], served[main2], served[colour]}));
    auto targets = server.targets();
    EXPECT_EQ(targets, (std::vector<std::string>{apiTarget, "/pics/m1.jpg", "/pics/m2.jpg",
                                                 "/pics/c1.jpg"}));
    auto requests = server.requests();
    EXPECT_NE(requests[0].head.find("\r\nReferer: https://item.example/item.htm?id=778899"),
              std::string::npos);
    EXPECT_EQ(requests[0].head.find("Cookie:"), std::string::npos);
    EXPECT_EQ(statuses.front(), "获取宝贝图片列表...");
}

TEST_F(ShopRoute, PictureTypesSelectMainOrColour) {
    std::string main1 = servePicture("m1.jpg", "#ff0000");
    std::string colour = servePicture("c1.jpg", "#0000ff");
    server.route(apiTarget, currentReply({main1}, {colour}));
    EXPECT_EQ(load(0, item), 1);
    EXPECT_EQ(load(1, item), 1);
    EXPECT_EQ(albumFileBytes(), (std::vector<std::string>{served[main1], served[colour]}));
}

TEST_F(ShopRoute, RefusedRequestIsRetriedWithTheCookie) {
    std::string main1 = servePicture("m1.jpg", "#ff0000");
    config.cookie = "t=abc; cna=1";
    server.route(apiTarget, test::okReply(currentReply({main1}, {})), "Cookie: t=abc; cna=1");
    EXPECT_EQ(load(0, item), 1);
    auto requests = server.requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[0].head.find("Cookie:"), std::string::npos);
    EXPECT_EQ(requests.back().target, "/pics/m1.jpg");
    EXPECT_NE(requests[requests.size() - 2].head.find("\r\nCookie: t=abc; cna=1"),
              std::string::npos);
}

TEST_F(ShopRoute, FinalFetchFailureShowsTheHeadAndTheClientText) {
    server.route(apiTarget, test::okReply("", ""), "Cookie: never");
    EXPECT_EQ(load(0, item), 0);
    auto messages = failures;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "错误");
    EXPECT_EQ(messages[0].text, "获取宝贝图片列表时出错:\n\n"
                                "HTTP/1.1 403 Forbidden\nContent-Length: 0\n\n"
                                "返回错误的http状态码:\nHTTP/1.1 403 Forbidden\r\n"
                                "Content-Length: 0\r\n\r\n");
    // Without a cookie there is no second attempt of our own (the client's retry aside).
    for (const auto& request : server.requests())
        EXPECT_EQ(request.head.find("Cookie:"), std::string::npos);
}

TEST_F(ShopRoute, WithoutARequestTemplateTheServiceIsNamedAsUnconfigured) {
    for (const char* blank : {"", "  \t"}) {
        config.requestTemplate = blank;
        EXPECT_EQ(load(0, item), 0);
    }
    EXPECT_TRUE(server.requests().empty());
    auto messages = failures;
    ASSERT_EQ(messages.size(), 2u);
    for (const auto& m : messages) {
        EXPECT_EQ(m.title, "错误");
        EXPECT_EQ(m.text, kNoShopServiceText);
    }
    // Pasted picture addresses need no service.
    config.loaderMode = 6;
    const std::string picture = servePicture("p.jpg", "#00ff00");
    EXPECT_EQ(load(0, picture), 1);
}

TEST_F(ShopRoute, ShopFailureTextsAndEmptyLists) {
    auto replyWith = [&](const std::string& body) {
        server.route(apiTarget, body);
        load(2, item);
    };
    replyWith(R"({"ret":["FAIL_SYS::没有找到宝贝"]})");
    replyWith(R"({"ret":["FAIL_SYS_TOKEN_EXOIRED::令牌过期"]})");
    replyWith(R"({"api":"x"})");
    replyWith(R"({"ret":["SUCCESS::调用成功"],"data":{"item":{}}})");
    replyWith("<html>not json</html>");
    replyWith(R"({"ret":["SUCCESS::调用成功"]})"); // no data: silent

    auto messages = failures;
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].text, "宝贝不存在或已被删除！");
    EXPECT_EQ(messages[1].text, "FAIL_SYS_TOKEN_EXOIRED::令牌过期");
    EXPECT_EQ(messages[2].text, R"({"api":"x"})");
    EXPECT_EQ(messages[3].text, "宝贝图片列表为空");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(messages[i].title, "提示") << i;
    EXPECT_EQ(messages[4].text, "无法解析宝贝的JSON数据，请检查宝贝地址输入是否正确。");
    EXPECT_EQ(messages[4].title, "错误");
    EXPECT_TRUE(project.items.empty());
}

TEST_F(ShopRoute, OlderLayoutAppendsIdAndAmpersandWithoutRefererOrCookie) {
    config.olderApiHost = server.hostAndPort();
    config.requestTemplate = server.url("/old/api?itemNumId=");
    config.cookie = "t=abc";
    std::string main1 = servePicture("o1.jpg", "#ff0000");
    std::string colour = servePicture("oc.jpg", "#00ffff");
    server.route("/old/api?itemNumId=778899&",
                 R"({"ret":["SUCCESS"],"data":{"itemInfoModel":{"picsPath":[")" + main1 +
                     R"("]},"skuModel":{"skuProps":[{"propId":"1627207","values":[{"imgUrl":")" +
                     colour + R"("}]}]}}})");
    EXPECT_EQ(load(2, item), 2);
    EXPECT_EQ(albumFileBytes(), (std::vector<std::string>{served[main1], served[colour]}));
    auto requests = server.requests();
    EXPECT_EQ(requests[0].head.find("Referer:"), std::string::npos);
    EXPECT_EQ(requests[0].head.find("Cookie:"), std::string::npos);
}

TEST_F(ShopRoute, PastedPictureAddressesSkipTheShopAndOnlyJpgPngGifAreKept) {
    std::string jpg = servePicture("p1.jpg", "#ff00ff");
    std::string bmp = servePicture("p2.bmp", "#ffff00", "bmp");
    EXPECT_EQ(load(0, jpg + ";" + bmp), 1);
    EXPECT_EQ(albumFileBytes(), std::vector<std::string>{served[jpg]});
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/pics/p1.jpg"});
}

TEST_F(ShopRoute, AddressesThatAreNeitherPicturesNorItemsAreRefused) {
    load(0, "https://item.example/item.htm?id=12ab");
    load(0, "https://item.example/item.htm");
    config.loaderMode = 6;
    load(0, item);
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"输入的宝贝地址不符合规范！", "输入的宝贝地址不符合规范！",
                                        "输入的图片地址不符合规范！"}));
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
} // namespace velomira::testing
