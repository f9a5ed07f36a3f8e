#pragma once
// "使用指南": the site's help page when a site is configured, else the manual installed with
// the program.
#include "ui/main_window_view.h"

#include <filesystem>
#include <optional>

namespace velomira {

// The window program's manual page beside the program: in an installed tree
// (<prefix>/share/man/man1) or in the build tree (dist/man), whichever exists first.
std::optional<std::filesystem::path> installedManual(const std::filesystem::path& programFolder);

// Opens the guide; without a site and without a manual it says that no site is configured.
void openUserGuide(MainWindowView& view, const std::string& vendorHost,
                   const std::filesystem::path& programFolder);

} // namespace velomira
