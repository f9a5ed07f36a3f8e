#pragma once
// Where the program and its data live. Every function answers from the current process
// environment at the moment of the call.
#include <filesystem>

namespace velomira {

// The user's home folder: $HOME, else the password database, else "/".
std::filesystem::path homeFolder();

// Folder of the running executable (/proc/self/exe); the current folder when that cannot be
// had.
std::filesystem::path programFolder();

// `xdg-user-dir DESKTOP` when it names an existing folder, else ~/Desktop when it exists,
// else the home folder.
std::filesystem::path desktopFolder();

// A user folder such as the Videos or Documents folder: `xdg-user-dir KIND` (VIDEOS,
// DOCUMENTS) when it names an existing folder other than the home folder, else ~/englishName
// when it exists, else empty.
std::filesystem::path userMediaFolder(const char* kind, const char* englishName);

// $TMPDIR when set, else /tmp.
std::filesystem::path systemTempFolder();

// Where the work folders (pics, temp, mp3, 我的项目, 我的视频) live: the given program folder
// when it is writable, else $XDG_DATA_HOME/Velomira (default ~/.local/share/Velomira),
// created when missing, else (no usable home) Velomira-<uid> in the system temporary folder.
std::filesystem::path workFolderFor(const std::filesystem::path& programFolder);
std::filesystem::path workFolder();

// Base folder for per-user settings: $XDG_CONFIG_HOME when absolute, else ~/.config.
std::filesystem::path configHomeFolder();
// $XDG_CACHE_HOME or ~/.cache: what can be made again, such as the music's beats.
std::filesystem::path cacheHomeFolder();

} // namespace velomira
