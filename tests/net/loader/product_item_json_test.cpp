#include "net/product_item_json.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

const char* kCurrentReply = R"({
  "ret": ["SUCCESS::调用成功"],
  "data": {
    "item": {"images": ["http://p.example/m1.jpg", 7, "http://p.example/m2.jpg_.webp"]},
    "skuBase": {"props": [
      {"pid": "20509", "values": [{"image": "http://p.example/size.jpg"}]},
      {"name": "no id", "values": [{"image": "http://p.example/noid.jpg"}]},
      {"pid": "1627207", "values": [{"image": "http://p.example/c1.jpg"}, {"name": "x"},
                                     {"image": "http://p.example/c2.jpg_.WEBP"}]},
      {"pid": "1627207", "values": [{"image": "http://p.example/second.jpg"}]}
    ]}
  }
})";

const char* kOlderReply = R"({
  "ret": ["FAIL::first", "SUCCESS"],
  "data": {
    "itemInfoModel": {"picsPath": ["http://p.example/o1.jpg", "http://p.example/o2.jpg"]},
    "skuModel": {"skuProps": [
      {"propId": "1627207", "values": [{"imgUrl": "http://p.example/oc1.jpg"}]}
    ]}
  }
})";

std::vector<std::string> pictures(const char* reply, ShopJsonLayout layout, int type) {
    ShopReply result = readShopReply(reply, layout, type);
    EXPECT_EQ(result.kind, ShopReplyKind::Pictures);
    return result.pictures;
}

TEST(ShopJson, PictureTypeIndexesSelectMainColourOrBoth) {
    EXPECT_TRUE(wantsMainPictures(0));
    EXPECT_FALSE(wantsMainPictures(1));
    EXPECT_TRUE(wantsMainPictures(2));
    EXPECT_FALSE(wantsColourPictures(0));
    EXPECT_TRUE(wantsColourPictures(1));
    EXPECT_TRUE(wantsColourPictures(2));
    EXPECT_FALSE(wantsColourPictures(3));
    EXPECT_FALSE(wantsColourPictures(-1));
}

TEST(ShopJson, CurrentLayoutMainBeforeColourWithWebpCut) {
    using V = std::vector<std::string>;
    EXPECT_EQ(pictures(kCurrentReply, ShopJsonLayout::Current, 0),
              (V{"http://p.example/m1.jpg", "http://p.example/m2.jpg"}));
    EXPECT_EQ(pictures(kCurrentReply, ShopJsonLayout::Current, 1),
              (V{"http://p.example/c1.jpg", "http://p.example/c2.jpg"}));
    EXPECT_EQ(pictures(kCurrentReply, ShopJsonLayout::Current, 2),
              (V{"http://p.example/m1.jpg", "http://p.example/m2.jpg", "http://p.example/c1.jpg",
                 "http://p.example/c2.jpg"}));
    // The current layout's keys mean nothing in the older one.
    EXPECT_TRUE(pictures(kCurrentReply, ShopJsonLayout::Older, 2).empty());
}

TEST(ShopJson, OlderLayoutAndMemberNamesInAnyCase) {
    using V = std::vector<std::string>;
    EXPECT_EQ(
        pictures(kOlderReply, ShopJsonLayout::Older, 2),
        (V{"http://p.example/o1.jpg", "http://p.example/o2.jpg", "http://p.example/oc1.jpg"}));
    EXPECT_EQ(pictures(R"({"RET":["SUCCESS"],"Data":{"ITEM":{"Images":["http://p/x.png"]}}})",
                       ShopJsonLayout::Current, 0),
              (V{"http://p/x.png"}));
}

TEST(ShopJson, SuccessTextsAndMissingData) {
    EXPECT_EQ(readShopReply(R"({"ret":["调用成功"],"data":{}})", ShopJsonLayout::Current, 0).kind,
              ShopReplyKind::Pictures);
    EXPECT_EQ(readShopReply(R"({"ret":["SUCCESS"]})", ShopJsonLayout::Current, 0).kind,
              ShopReplyKind::NoData);
    EXPECT_EQ(readShopReply(R"({"ret":["SUCCESS"],"data":[1]})", ShopJsonLayout::Current, 0).kind,
              ShopReplyKind::NoData);
    // Wrongly typed members are no pictures, never a crash.
    ShopReply odd = readShopReply(
        R"({"ret":[1,"SUCCESS"],"data":{"item":{"images":"x"},"skuBase":{"props":[{"pid":1627207,"values":[{"image":2},{"image":"http://p/n.jpg"}]}]}}})",
        ShopJsonLayout::Current, 2);
    EXPECT_EQ(odd.kind, ShopReplyKind::Pictures);
    EXPECT_EQ(odd.pictures, std::vector<std::string>{"http://p/n.jpg"});
}

TEST(ShopJson, FailureTexts) {
    auto message = [](const std::string& reply) {
        ShopReply result = readShopReply(reply, ShopJsonLayout::Current, 0);
        EXPECT_EQ(result.kind, ShopReplyKind::Failure) << reply;
        return result.message;
    };
    EXPECT_EQ(message(R"({"ret":["FAIL_SYS_ITEM_NOT_FOUND::宝贝不存在"]})"),
              "宝贝不存在或已被删除！");
    EXPECT_EQ(message(R"({"ret":["ERROR::宝贝已被删除了"]})"), "宝贝不存在或已被删除！");
    EXPECT_EQ(message(R"({"ret":["x::没有找到宝贝"]})"), "宝贝不存在或已被删除！");
    // The last text is the one shown.
    EXPECT_EQ(message(R"({"ret":["FAIL::first","FAIL::令牌过期"]})"), "FAIL::令牌过期");
    // Without texts the whole reply is shown.
    EXPECT_EQ(message(R"({"code":5})"), R"({"code":5})");
    EXPECT_EQ(message(R"([1,2])"), R"([1,2])");
    // Long texts are cut at 1023 GBK bytes on a character boundary.
    std::string longText(600, 'a');
    for (int i = 0; i < 300; ++i)
        longText += "错";
    std::string cut = message(R"({"ret":[")" + longText + R"("]})");
    EXPECT_EQ(cut.size(), 600u + 211u * 3u);
}

TEST(ShopJson, UnreadableReplies) {
    for (const char* reply : {"", "<html>", "{\"ret\":[", "\xff\xfe"}) {
        ShopReply result = readShopReply(reply, ShopJsonLayout::Current, 0);
        EXPECT_EQ(result.kind, ShopReplyKind::Unreadable) << reply;
        EXPECT_EQ(result.message, "无法解析宝贝的JSON数据，请检查宝贝地址输入是否正确。");
    }
}

} // namespace
} // namespace velomira
