#include "app/printable_text.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(PrintableText, ControlCharactersAndInvalidBytesBecomeMarksAndTheRestStays) {
    const struct {
        std::string in;
        std::string shown;     // shownText: whole messages, never cut
        std::string printable; // printableText: a text on its own
    } cases[] = {
        {"a\x1b]0;title\x07z", "a?]0;title?z", "a?]0;title?z"},
        {"\x1b[31mred\x1b[0m", "?[31mred?[0m", "?[31mred?[0m"},
        {"c1 \xc2\x9b[2J raw \x9b[2J", "c1 ??[2J raw ?[2J", "c1 ??[2J raw ?[2J"},
        {"del\x7f", "del?", "del?"},
        {"bad \xff\xfe \xc0\xaf \xed\xa0\x80 \xe5\x9b", "bad ?? ?? ??? ??", "bad ?? ?? ??? ??"},
        {std::string("nul\0x", 5), "nul?x", "nul?x"},
        {"one\ntwo\tthree", "one\ntwo\tthree", "one\ntwo\tthree"},
        {"图片读取失败:\r\n/照片/a.png", "图片读取失败:\r\n/照片/a.png",
         "图片读取失败:\n/照片/a.png"},
        {"lone\rcr", "lone?cr", "lone?cr"},
        {"end\r", "end?", "end?"},
        {"相册 🎞 é", "相册 🎞 é", "相册 🎞 é"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shownText(c.in), c.shown) << c.in;
        EXPECT_EQ(printableText(c.in), c.printable) << c.in;
    }
}

TEST(PrintableText, OnlyTheTextOnItsOwnIsCut) {
    const std::string longText(kShownTextCharacters + 500, 'x');
    EXPECT_EQ(shownText(longText), longText);
    EXPECT_EQ(printableText(longText), std::string(kShownTextCharacters, 'x') + "…");
    EXPECT_EQ(printableText("相册相册", 2), "相册…");
}

} // namespace
} // namespace velomira
