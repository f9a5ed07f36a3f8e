#pragma once
// The text form of the settings file: one section named after the registry key, one line per
// value, texts quoted with escapes and numbers as 8 hexadecimal digits:
//
//   [SOFTWARE\Velomira]
//   "file_dlg_choose_image"="/home/someone/桌面"
//   "video_bg_fill_color"=dword:00000001
//
// Parsing never fails: lines it cannot understand, and lines outside the section, are skipped.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace velomira {

inline constexpr std::string_view kRegistryKey = "SOFTWARE\\Velomira";

// A REG_SZ (text) or REG_DWORD (number) value.
using RegistryValue = std::variant<std::string, uint32_t>;

// Value names compare without regard to ASCII letter case, as registry names do.
struct RegistryNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using RegistryValues = std::map<std::string, RegistryValue, RegistryNameLess>;

// Later lines win over earlier lines of the same name.
RegistryValues parseRegistryText(std::string_view content);
std::string formatRegistryText(const RegistryValues& values);

} // namespace velomira
