#include "shop_fixture.h"

#include <algorithm>
#include <regex>

namespace velomira::testing {
namespace {

class VendorRoute : public ShopFixture {
  protected:
    void SetUp() override {
        config.loaderMode = 0;
        config.vendorHost = server.hostAndPort();
        config.installationId = "0123456789abcdef";
    }
    const std::string pasted = "https://item.example/item.htm?id=5";
    std::string serviceTarget(int type) const {
        return "/getProductImg/API.asp?v=1.0&sid=fedcba9876543210&baobeiURL="
               "https%3A%2F%2Fitem.example%2Fitem.htm%3Fid%3D5&m=" +
               std::to_string(type) + "&";
    }
};

TEST_F(VendorRoute, ListOfThreeLinesAddsThreePicturesInOrderToTheTemporaryFolder) {
    std::string red = servePicture("r.jpg", "#ff0000");
    std::string green = servePicture("g.png", "#00ff00", "png");
    std::string blue = servePicture("b.gif", "#0000ff", "gif");
    server.route(serviceTarget(2), red + "\n" + green + "\n" + blue + "\n\n");

    EXPECT_EQ(load(2, "  " + pasted + "\r\n"), 3);
    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(infos.empty());
    EXPECT_EQ(albumFileBytes(),
              (std::vector<std::string>{served[red], served[green], served[blue]}));

    std::regex name(R"(\d\d-\d\d-\d\d-[1-9]\d\d\.jpg)");
    for (const AlbumItem& item : project.items) {
        std::filesystem::path path(item.path);
        EXPECT_EQ(path.parent_path(), folder.path() / "temp");
        EXPECT_TRUE(std::regex_match(path.filename().string(), name)) << item.path;
    }
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front(), "获取宝贝图片列表...");
    EXPECT_EQ(statuses.back(), progressText(3, 3));
}

TEST_F(VendorRoute, EmptyListMessageAndFailure) {
    server.route(serviceTarget(0), "\n");
    EXPECT_EQ(load(0, pasted), 0);
    // A message from the service is shown as it came, bytes that are not UTF-8 dropped.
    server.route(serviceTarget(0), "服务维护中\xff，请稍后再试");
    EXPECT_EQ(load(0, pasted), 0);
    server.route(serviceTarget(0), test::statusReply("HTTP/1.1 500 Internal Server Error"));
    EXPECT_EQ(load(0, pasted), 0);

    auto messages = failures;
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, "宝贝图片列表为空");
    EXPECT_EQ(messages[0].title, "提示");
    EXPECT_EQ(messages[1].text, "服务维护中，请稍后再试");
    EXPECT_EQ(messages[1].title, "提示");
    EXPECT_EQ(messages[2].text, "获取宝贝图片列表时出错，可以重试一次，或进入官网联系我们的客服。");
    EXPECT_EQ(messages[2].title, "错误");
    EXPECT_EQ(messages[2].kind, MessageKind::Error);
    EXPECT_TRUE(project.items.empty());
}

TEST_F(VendorRoute, WithoutAConfiguredServiceRefusesWithoutAnyRequest) {
    config.vendorHost.clear();
    EXPECT_EQ(load(0, pasted), 0);
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{
                  "获取宝贝图片列表时出错，可以重试一次，或进入官网联系我们的客服。"});
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(VendorRoute, HostileServerTextIsShownAsShortPlainText) {
    std::string flood = "<html><body><h1>公告</h1>";
    for (int i = 0; i < 5000; ++i)
        flood += "<p><a href=\"http://evil.example/" + std::to_string(i) + "\">链接" +
                 std::to_string(i) + "</a></p>\n\n";
    flood += "</body></html>";
    ASSERT_GT(flood.size(), 250000u);
    struct Case {
        const char* name;
        std::string reply;
        std::string shown; // empty: checked by the limits only
    } cases[] = {
        {"markup",
         "<h1 style=\"color:red\">维护中</h1><a href=\"http://x/\">点这里</a>"
         "<img src=\"/local/file\">",
         "维护中点这里"},
        {"script", "<script>alert('<b>x</b>')</script><STYLE>p{}</STYLE>请稍后再试", "请稍后再试"},
        {"escapes", "error\x1b[31m red\x07\r\nnext", "error?[31m red?\nnext"},
        {"not a tag", "1 < 2 and 3 > 2", "1 < 2 and 3 > 2"},
        {"flood", flood, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.route(serviceTarget(0), c.reply);
        EXPECT_EQ(load(0, pasted), 0);
        const auto messages = failures;
        ASSERT_FALSE(messages.empty());
        const std::string& text = messages.back().text;
        if (!c.shown.empty()) {
            EXPECT_EQ(text, c.shown);
        }
        EXPECT_EQ(text.find('<'), c.shown.find('<'));
        // At most 2000 characters (plus the ellipsis) on a bounded number of lines.
        std::size_t characters = 0;
        for (unsigned char byte : text)
            characters += (byte & 0xC0) != 0x80;
        EXPECT_LE(characters, 2001u);
        EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 30);
    }
    EXPECT_EQ(failures.back().text.rfind("公告链接0\n\n链接1\n\n链接2", 0), 0u);
    EXPECT_TRUE(project.items.empty());
}

TEST_F(VendorRoute, BlankAddressDoesNothing) {
    EXPECT_EQ(load(0, " \t\r\n"), 0);
    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
} // namespace velomira::testing
