#pragma once
// Saving a project file, the modified test and reading a file's text.
#include "album/album_model.h"
#include "platform/failure.h"

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

// The file's bytes (GBK), or why there are none.
struct SerializedProject {
    std::optional<std::string> bytes;
    std::optional<Failure> failure;
};

// The file's bytes for the album. With copyPictures, pictures inside the temporary picture
// folder are first copied into `pics` and the album points at the copies; a failed copy gives
// its failure and no bytes (copies made before keep their new paths).
SerializedProject serializeProject(AlbumProject& album, const ProjectFolders& folders,
                                   bool copyPictures);

// The file's bytes without copying anything.
std::string serializeProject(const AlbumProject& album);

// Serializes with copying and writes the file: into a temporary file beside the target,
// flushed to disk, then renamed over the target, so a failure never destroys the previous
// file. On success the state names the file.
struct ProjectSave {
    std::optional<Failure> failure; // empty when the file was written

    explicit operator bool() const { return !failure; }
};

// Writes bytes into a temporary file beside path, flushed to disk, then renamed over path, so
// a failure leaves the previous file as it was.
enum class WriteOutcome { Written, CreateFailed, WriteFailed };
// error: the errno of a failure.
WriteOutcome replaceFile(const std::string& path, const std::string& bytes, int& error);
WriteOutcome replaceFile(const std::string& path, const std::string& bytes);

ProjectSave saveProjectFile(AlbumProject& album, const ProjectFolders& folders,
                            const std::string& path, ProjectFileState& state);

// True when the album holds pictures and differs from its file (or has none, or the file
// cannot be read).
bool isProjectModified(const AlbumProject& album, const ProjectFileState& state);

// A file's bytes as read, or the failure (title "提示") that explains why there are none.
struct ProjectFileBytes {
    std::optional<std::string> bytes;
    Failure failure;
};

ProjectFileBytes readProjectFileBytes(const std::string& path);

// The same with the file's text converted to UTF-8.
ProjectFileBytes readProjectFileText(const std::string& path);

} // namespace velomira
