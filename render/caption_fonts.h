#pragma once
// The caption fonts found on this computer: display name → font file, in the order the font
// choice lists them. Built once at start-up and never changed afterwards.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

struct CaptionFont {
    std::string displayName; // UTF-8, at most 15 bytes in GBK
    std::string path;        // full path of the font file
};

// Ordered: the Windows fonts first, then the free CJK fonts installed by our set-up scripts.
using CaptionFontTable = std::vector<CaptionFont>;

// The folders searched on a normal system: /usr/share/fonts, /usr/local/share/fonts,
// <home>/.local/share/fonts and <home>/.fonts (the last two only with a non-empty home).
std::vector<std::filesystem::path> defaultFontFolders(const std::filesystem::path& home);

// Searches the folders (recursively, file names compared case-insensitively, symbolic links to
// folders not followed) for the known font files. A font appears at most once; when a file is
// present several times, the first folder wins and within a folder the smallest path does.
// Missing or unreadable folders are skipped.
CaptionFontTable buildCaptionFontTable(const std::vector<std::filesystem::path>& folders);

// The font file of a display name, or nothing when the table has no such font.
std::optional<std::string> lookupCaptionFont(const CaptionFontTable& table,
                                             std::string_view displayName);

} // namespace velomira
