#pragma once
// Saving a project file, the modified test and reading a file's text.
#include "album/album_model.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velomira {

inline constexpr const char* kNewProjectName = "新项目";

// Files above this size are refused before they are read.
constexpr std::uint64_t kMaxProjectFileBytes = 50ull * 1024 * 1024;

inline constexpr const char* kProjectFormatError = "文件格式不对！";
inline constexpr const char* kProjectReadTitle = "提示";

// Where pictures live: the `pics` folder that saved projects point into, and the temporary
// picture folder whose pictures are copied there on saving (so a project never points into
// a folder that is emptied).
struct ProjectFolders {
    std::string pics;
    std::string tempPictures;
};

// The project file last opened or saved, and the name the window title shows.
struct ProjectFileState {
    std::string path; // empty for a new project
    std::string name = kNewProjectName;
};

// File-name part of a path (after the last '/').
std::string projectFileNameOf(const std::string& path);

// The file's bytes (GBK) for the album. With copyPictures, pictures inside the temporary
// picture folder are first copied into `pics` and the album points at the copies; a failed
// copy shows its message and gives nothing (copies made before keep their new paths).
std::optional<std::string> serializeProject(AlbumProject& album, const ProjectFolders& folders,
                                            bool copyPictures);

// The file's bytes without copying anything.
std::string serializeProject(const AlbumProject& album);

// Serializes with copying and writes the file: into a temporary file beside the target,
// flushed to disk, then renamed over the target, so a failure never destroys the previous
// file. On success the state names the file. Failures show their message and return false.
bool saveProjectFile(AlbumProject& album, const ProjectFolders& folders, const std::string& path,
                     ProjectFileState& state);

// True when the album holds pictures and differs from its file (or has none, or the file
// cannot be read).
bool isProjectModified(const AlbumProject& album, const ProjectFileState& state);

// A file's bytes as read, or the message that explains why there are none.
struct ProjectFileBytes {
    std::optional<std::string> bytes;
    std::string failure;
};

ProjectFileBytes readProjectFileBytes(const std::string& path);

// The file's text converted to UTF-8; on failure shows the message (title "提示") and gives
// nothing.
std::optional<std::string> readProjectFileText(const std::string& path);

} // namespace velomira
