#include "app/path_limits.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(PathLimits, LengthsCountGbkBytes) {
    std::string ascii = "/" + std::string(258, 'a'); // 259 bytes
    EXPECT_EQ(pathTooLongMessage(ascii), std::nullopt);
    EXPECT_NE(pathTooLongMessage(ascii + "b"), std::nullopt);

    // 129 Chinese characters are 258 GBK bytes (387 UTF-8 bytes): with "/" still fine.
    std::string chinese = "/";
    for (int i = 0; i < 129; ++i)
        chinese += "汉";
    EXPECT_EQ(folderTooLongMessage(chinese), std::nullopt);
    EXPECT_EQ(folderTooLongMessageForSeveralFiles(chinese), std::nullopt);
    EXPECT_NE(folderTooLongMessage(chinese + "字"), std::nullopt);
}

TEST(PathLimits, RefusalTextsAreExact) {
    std::string folder = "/";
    for (int i = 0; i < 130; ++i)
        folder += "夹"; // 261 GBK bytes
    EXPECT_EQ(folderTooLongMessage(folder),
              "文件夹路径长度不能大于 259 个字符！\n\n当前文件夹路径长度：261 个字符\n" + folder +
                  "\n\n解决方案：修改文件夹路径长度，使其长度不超过 259 "
                  "个字符。\n\n提示：一个英文字母占 1 个字符，一个汉字占 2 个字符。");
    EXPECT_EQ(folderTooLongMessageForSeveralFiles(folder),
              "文件夹路径长度不能大于 259 个字符！\n\n当前文件夹路径长度：261 个字符\n" + folder +
                  "\n\n解决方案：修改文件夹名称，使其长度不超过 259 "
                  "个字符。\n\n提示：一个英文字母占 1 个字符，一个汉字占 2 个字符。");

    std::string path = "/" + std::string(300, 'p') + ".jpg"; // 305 bytes
    EXPECT_EQ(pathTooLongMessage(path),
              "文件路径长度不能大于 259 个字符！\n\n当前文件路径长度：305 个字符\n" + path +
                  "\n\n解决方案：修改文件路径长度，使其长度不超过 259 "
                  "个字符。\n\n提示：一个英文字母占 1 个字符，一个汉字占 2 个字符。");
    EXPECT_EQ(pathTooLongMessageForSeveralFiles(path),
              "文件路径长度不能大于 259 个字符！\n\n当前文件路径长度：305 个字符\n" + path +
                  "\n\n解决方案：修改文件名称，使其长度不超过 259 个字符。\n\n提示：一个英文字母占 "
                  "1 个字符，一个汉字占 2 个字符。");

    // A percent sign in the path is shown as it is, not taken as a format.
    std::string percent = "/" + std::string(300, '%') + "s%n";
    std::optional<std::string> message = pathTooLongMessage(percent);
    ASSERT_TRUE(message);
    EXPECT_NE(message->find(percent), std::string::npos);
}

} // namespace
} // namespace velomira
