#pragma once
// The file dialogs refuse folders and full paths longer than 259 bytes in their GBK form
// ("一个汉字占 2 个字符"). Each function returns the refusal text, shown in a box titled
// kPathRefusalTitle with the error icon, or nothing when the length is fine.
#include <optional>
#include <string>
#include <string_view>

namespace velomira {

inline constexpr int kMaxPathBytes = 259;
inline constexpr const char* kPathRefusalTitle = "提示";

// Open-one-file and save dialogs.
std::optional<std::string> folderTooLongMessage(std::string_view folder);
std::optional<std::string> pathTooLongMessage(std::string_view path);

// The several-files dialog words its advice differently.
std::optional<std::string> folderTooLongMessageForSeveralFiles(std::string_view folder);
std::optional<std::string> pathTooLongMessageForSeveralFiles(std::string_view path);

} // namespace velomira
