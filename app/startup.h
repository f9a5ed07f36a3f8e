#pragma once
// The start-up steps that need no window: where the program and its work folders are, the
// checks that refuse to start from an archive viewer's scratch folder or without the encoder,
// and the folder for pictures the program makes itself. Nothing here shows a message or ends
// the process: a refusal is returned, the caller shows it, opens its help page and exits.
#include "platform/failure.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

// What start-up looks at, gathered once so that tests can hand in folders of their own.
struct StartupContext {
    std::filesystem::path programFolder;
    std::filesystem::path desktopFolder;
    std::filesystem::path systemTempFolder; // empty: none could be had
    // The user's Videos and Documents folders (empty: the user has none); used only when the
    // program folder is not writable (an installed program).
    std::filesystem::path videosFolder;
    std::filesystem::path documentsFolder;
    std::string copyName; // this copy's folder name; empty: runningCopyName()
    // $XDG_RUNTIME_DIR (empty when unset): where an installed program keeps its temporary
    // folders.
    std::filesystem::path runtimeFolder;
};

// The running process's folders (platform/paths.h).
StartupContext startupContextOfProcess();

struct StartupRefusal {
    std::string text;
    std::string title;
    MessageKind kind = MessageKind::Error;
    std::string helpPage; // path on the help host, opened in the browser after the message
    int exitCode = -1;
};

inline constexpr const char* kUnpackHelpPage = "/unzip.html";

struct StartupFolders {
    std::filesystem::path programFolder;
    std::filesystem::path desktopFolder;
    std::filesystem::path workFolder;  // the program folder, or its per-user stand-in
    std::filesystem::path encoderPath; // tool/ffmpeg in the program folder
    std::filesystem::path picsFolder;
    std::filesystem::path mp3Folder;
    // This copy's own folders: "temp/<copy>" (the encoder's FIFO, the logo copy, the cover)
    // and the picture folder's "<copy>" (downloads, GIF frames); both removed at exit.
    std::filesystem::path workTempFolder;
    std::filesystem::path tempPictureFolder;
    // Default places for projects ("我的项目") and videos ("我的视频"): in the work folder when
    // the program runs from a writable folder, else "Velomira" in the user's Documents and
    // Videos folders, so the user finds them in the file manager.
    std::filesystem::path projectFolder;
    std::filesystem::path videoFolder;
    // Said once at start-up: a user folder that could not be used and where its files go.
    std::vector<std::string> notes;
};

struct StartupResult {
    StartupFolders folders;
    std::optional<StartupRefusal> refusal; // set: nothing was created, the caller exits
};

// The steps in order: archive check, encoder check, temporary picture folder, work folders,
// this copy's own temporary folders (the folders of copies no longer running removed first).
// A refusal stops before any folder is made.
StartupResult prepareStartup(const StartupContext& context);

// Fills the project and video folders of folders (whose program and work folders are set):
// the work folder's own when it is the program folder, else "Velomira" in the user's
// Documents and Videos folders when they can be written, else the work folder's, with a note.
void chooseUserFolders(const StartupContext& context, StartupFolders& folders);

// The folders in which this copy's encoder folder and picture folder are made ("temp" in the
// work folder and chooseTempPictureFolder's). An installed program (work folder apart from the
// program folder) keeps them out of the user's data: in "velomira" in the runtime folder, else
// "velomira-<uid>" in the system temporary folder, each private to the user.
struct TempBases {
    std::filesystem::path encoder;
    std::filesystem::path pictures;
};
TempBases chooseTempBases(const StartupContext& context, const std::filesystem::path& workFolder);

// True when path is folder or lies below it, compared by whole path components.
bool isInsideFolder(const std::filesystem::path& path, const std::filesystem::path& folder);

// An archive viewer runs a program from a scratch folder of its own inside the temporary
// folder; such a copy misses the rest of the archive. Recognised by a folder below the
// temporary folder whose name holds "$" or starts with ".fr-".
std::optional<StartupRefusal> checkArchiveFolder(const std::filesystem::path& programFolder,
                                                 const std::filesystem::path& systemTempFolder);

std::filesystem::path encoderToolPath(const std::filesystem::path& programFolder);
// The encoder must be there and executable (a link is followed). An installed program (its
// folder read-only) whose link to the system's ffmpeg leads nowhere is told to install ffmpeg
// instead of unpacking again.
std::optional<StartupRefusal> checkEncoderTool(const std::filesystem::path& programFolder,
                                               bool installed = false);

// "VelomiraTemp" in the system temporary folder when the program folder lies inside the
// desktop folder, else "temp" in the work folder. The shared folder is used only when it is a
// real folder of this user (never a link), created private when missing; otherwise, and when
// the temporary folder is missing or its path too long, the work folder's "temp" is used.
// The chosen folder is created when missing.
std::filesystem::path chooseTempPictureFolder(const StartupContext& context,
                                              const std::filesystem::path& workFolder);

// Creates "pics", "temp" and "mp3" in the work folder when missing; failures are not reported
// (the folders are made again where they are needed).
void createWorkFolders(const std::filesystem::path& workFolder);

// Removes everything inside the folder (links themselves, never what they point to) and keeps
// the folder. Returns how many entries were removed; 0 when the folder is missing or a link.
int emptyTempPictureFolder(const std::filesystem::path& folder);

// Removes this copy's own temporary folders (at exit); another copy's are never touched.
void removeOwnTempFolders(const StartupFolders& folders);

// Entries the per-picture transition list shows when dropped down, by screen height.
int listDropHeight(int screenHeight);

} // namespace velomira
