#include "app/text_conversion.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace velomira {
namespace {

const char kGbkNiHao[] = "\xC4\xE3\xBA\xC3"; // 你好

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};
using Block = std::unique_ptr<char, FreeDeleter>;

TEST(IconvStr, ConvertsBothWaysWithAnyLetterCase) {
    char out[32];
    int length = -1;
    ASSERT_EQ(iconvStr("GBK", "UTF-8", kGbkNiHao, 4, out, sizeof out - 1, &length), 0);
    EXPECT_EQ(length, 6);
    EXPECT_STREQ(out, "你好");

    ASSERT_EQ(iconvStr("utf-8", "gbk", "a你好b", 8, out, sizeof out - 1, &length), 0);
    EXPECT_EQ(length, 6);
    EXPECT_STREQ(out, "a\xC4\xE3\xBA\xC3"
                      "b");
}

TEST(IconvStr, EmptyInputGivesATerminatedEmptyText) {
    char out[4] = {'x', 'x', 'x', 'x'};
    int length = -1;
    EXPECT_EQ(iconvStr("GBK", "UTF-8", "", 0, out, 3, &length), 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(out[0], '\0');

    int blockLength = -1;
    Block block(gbkToUtf8("", &blockLength));
    ASSERT_TRUE(block);
    EXPECT_EQ(blockLength, 0);
    EXPECT_EQ(block.get()[0], '\0');
}

TEST(IconvStr, InvalidOrUnrepresentableInputIsDroppedAndTheRestSurvives) {
    char out[64];
    int length = -1;
    // 0xFF is never part of a GBK character.
    const char broken[] = "a\xC4\xE3\xFF\xBA\xC3z";
    ASSERT_NE(iconvStr("GBK", "UTF-8", broken, sizeof broken - 1, out, 63, &length), -1);
    EXPECT_STREQ(out, "a你好z");
    EXPECT_EQ(length, 8);

    // A lead byte cut off at the very end is dropped as well.
    const char cut[] = "ab\xC4\xE3\xC4";
    ASSERT_NE(iconvStr("GBK", "UTF-8", cut, sizeof cut - 1, out, 63, &length), -1);
    EXPECT_STREQ(out, "ab你");

    // Characters GBK cannot hold, and broken UTF-8, vanish on the way to GBK.
    int gbkLength = -1;
    Block gbk(utf8ToGbk("x😀y\xE4\xBDz", &gbkLength));
    ASSERT_TRUE(gbk);
    EXPECT_STREQ(gbk.get(), "xyz");
    EXPECT_EQ(gbkLength, 3);
}

TEST(IconvStr, FailuresAnswerMinusOne) {
    char out[8];
    std::memset(out, '#', sizeof out);
    int length = 12345;
    EXPECT_EQ(iconvStr("NO-SUCH-SET", "UTF-8", "abc", 3, out, 7, &length), -1);
    EXPECT_EQ(length, 12345); // untouched when the converter cannot be opened
    EXPECT_EQ(out[0], '#');

    // Output too small: how much was written is still reported, but nothing is terminated.
    EXPECT_EQ(iconvStr("GBK", "UTF-8", kGbkNiHao, 4, out, 4, &length), -1);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(std::memcmp(out, "你", 3), 0);
    EXPECT_EQ(out[3], '#');

    // An exact fit succeeds, the terminator going into the reserved byte.
    EXPECT_EQ(iconvStr("GBK", "UTF-8", kGbkNiHao, 4, out, 6, &length), 0);
    EXPECT_STREQ(out, "你好");

    EXPECT_EQ(iconvStr("GBK", "UTF-8", nullptr, 3, out, 7, &length), -1);
    EXPECT_EQ(iconvStr("GBK", "UTF-8", "abc", 3, out, 7, nullptr), -1);
    EXPECT_EQ(gbkToUtf8(nullptr, &length), nullptr);
    EXPECT_EQ(gbkToUtf8("abc", nullptr), nullptr);
    EXPECT_EQ(utf8ToGbk(nullptr, &length), nullptr);
}

TEST(IconvStr, WrappersRoundTripAndFitTheEuroSign) {
    int length = -1;
    Block utf8(gbkToUtf8("C:\\\xCE\xD2\xB5\xC4\xCF\xEE\xC4\xBF", &length)); // C:\我的项目
    ASSERT_TRUE(utf8);
    EXPECT_STREQ(utf8.get(), "C:\\我的项目");
    EXPECT_EQ(length, static_cast<int>(std::strlen("C:\\我的项目")));
    Block back(utf8ToGbk(utf8.get(), &length));
    ASSERT_TRUE(back);
    EXPECT_STREQ(back.get(), "C:\\\xCE\xD2\xB5\xC4\xCF\xEE\xC4\xBF");

    // 0x80 is one GBK byte but three UTF-8 bytes: the block must still be large enough.
    Block euros(gbkToUtf8("\x80\x80\x80\x80", &length));
    ASSERT_TRUE(euros);
    EXPECT_STREQ(euros.get(), "€€€€");
}

TEST(ConvertText, HandlesAnyLengthAndUnknownSets) {
    std::string long_text;
    for (int i = 0; i < 5000; ++i)
        long_text += "汉字abc";
    std::optional<std::string> gbk = convertText("UTF-8", "GBK", long_text);
    ASSERT_TRUE(gbk);
    EXPECT_EQ(gbk->size(), 5000u * 7);
    EXPECT_EQ(convertText("GBK", "UTF-8", *gbk), long_text);

    // UTF-32 needs more than the first guess of the buffer size.
    std::optional<std::string> wide = convertText("UTF-8", "UTF-32LE", std::string(100, 'a'));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->size(), 400u);

    EXPECT_EQ(convertText("UTF-8", "GBK", ""), std::string());
    EXPECT_EQ(convertText("UTF-8", "NO-SUCH-SET", "abc"), std::nullopt);
    EXPECT_EQ(convertText("GBK", "UTF-8",
                          "a\xFF"
                          "b"),
              "ab");
}

TEST(GbkByteLength, CountsTheBytesOfTheGbkForm) {
    EXPECT_EQ(gbkByteLength(""), 0u);
    EXPECT_EQ(gbkByteLength("abc"), 3u);
    EXPECT_EQ(gbkByteLength("一个汉字"), 8u);
    EXPECT_EQ(gbkByteLength("/home/我的项目/a.jpg"), 20u);
    EXPECT_EQ(gbkByteLength("€"), 1u); // GBK 0x80
    EXPECT_EQ(gbkByteLength("😀"), 2u); // not in GBK: counted as a double-byte character
    EXPECT_EQ(gbkByteLength("a\xFF"
                            "b"),
              3u);                              // a stray byte counts once
    EXPECT_EQ(gbkByteLength("ab\xE4\xBD"), 4u); // so does each byte of a cut-off one
    std::string mixed = "路径 path 😀 测试";
    EXPECT_EQ(gbkByteLength(mixed), 2 * 2 + 6 + 2 + 1 + 2 * 2);
    std::string longText(1000, 'x');
    for (int i = 0; i < 300; ++i)
        longText += "字";
    EXPECT_EQ(gbkByteLength(longText), 1600u);
}

TEST(IconvStr, ConcurrentCallersStayIndependent) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 500; ++i) {
                int length = 0;
                Block block(t % 2 ? gbkToUtf8(kGbkNiHao, &length) : utf8ToGbk("你好", &length));
                const char* expected = t % 2 ? "你好" : kGbkNiHao;
                if (!block || std::strcmp(block.get(), expected) != 0)
                    ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

} // namespace
} // namespace velomira
