#include "app/path_limits.h"

#include "app/text_conversion.h"

#include <cstdio>
#include <limits>

namespace velomira {

namespace {

// Each format takes the limit, the length, the text itself and the limit again.
constexpr const char* kFolderTooLong =
    "文件夹路径长度不能大于 %d 个字符！\n\n当前文件夹路径长度：%d "
    "个字符\n%s\n\n解决方案：修改文件夹"
    "路径长度，使其长度不超过 %d 个字符。\n\n提示：一个英文字母占 1 个字符，一个汉字占 2 个字符。";
constexpr const char* kPathTooLong =
    "文件路径长度不能大于 %d 个字符！\n\n当前文件路径长度：%d "
    "个字符\n%s\n\n解决方案：修改文件路径长"
    "度，使其长度不超过 %d 个字符。\n\n提示：一个英文字母占 1 个字符，一个汉字占 2 个字符。";
constexpr const char* kFolderTooLongSeveral =
    "文件夹路径长度不能大于 %d 个字符！\n\n当前文件夹路径长度：%d "
    "个字符\n%s\n\n解决方案：修改文件夹"
    "名称，使其长度不超过 %d 个字符。\n\n提示：一个英文字母占 1 个字符，一个汉字占 2 个字符。";
constexpr const char* kPathTooLongSeveral =
    "文件路径长度不能大于 %d 个字符！\n\n当前文件路径长度：%d "
    "个字符\n%s\n\n解决方案：修改文件名称，"
    "使其长度不超过 %d 个字符。\n\n提示：一个英文字母占 1 个字符，一个汉字占 2 个字符。";

std::optional<std::string> refusal(const char* format, std::string_view text) {
    size_t length = gbkByteLength(text);
    if (length <= static_cast<size_t>(kMaxPathBytes))
        return std::nullopt;
    int shown = length > static_cast<size_t>(std::numeric_limits<int>::max())
                    ? std::numeric_limits<int>::max()
                    : static_cast<int>(length);
    std::string subject(text);
    int needed =
        std::snprintf(nullptr, 0, format, kMaxPathBytes, shown, subject.c_str(), kMaxPathBytes);
    if (needed < 0)
        return std::string();
    std::string message(static_cast<size_t>(needed) + 1, '\0');
    std::snprintf(message.data(), message.size(), format, kMaxPathBytes, shown, subject.c_str(),
                  kMaxPathBytes);
    message.resize(static_cast<size_t>(needed));
    return message;
}

} // namespace

std::optional<std::string> folderTooLongMessage(std::string_view folder) {
    return refusal(kFolderTooLong, folder);
}

std::optional<std::string> pathTooLongMessage(std::string_view path) {
    return refusal(kPathTooLong, path);
}

std::optional<std::string> folderTooLongMessageForSeveralFiles(std::string_view folder) {
    return refusal(kFolderTooLongSeveral, folder);
}

std::optional<std::string> pathTooLongMessageForSeveralFiles(std::string_view path) {
    return refusal(kPathTooLongSeveral, path);
}

} // namespace velomira
