#pragma once
// "快捷方式": a launcher on the desktop that starts the program (and opens project files given
// to it), the desktop's counterpart of a shortcut file.
#include <filesystem>
#include <string>

namespace velomira {

inline constexpr const char* kLauncherFileName = "Velomira.desktop";
inline constexpr const char* kProjectMimeType = "application/x-velomira-project";

// The launcher's text: Type=Application, Exec with the quoted program path and %f, Path, Icon,
// MimeType for project files.
std::string desktopLauncherText(const std::filesystem::path& program,
                                const std::filesystem::path& icon);

// Writes the launcher into the desktop folder with mode 0755 (by a temporary file renamed into
// place, so an older launcher stays whole when the write fails). True when it was written.
bool writeDesktopLauncher(const std::filesystem::path& desktopFolder,
                          const std::filesystem::path& program, const std::filesystem::path& icon);

// One argument of an Exec line, quoted and escaped as desktop entries require.
std::string quoteExecArgument(const std::string& argument);

} // namespace velomira
