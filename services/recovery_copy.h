#pragma once
// The recovery copy of an album with unsaved changes, so that a crash loses at most the last
// few seconds of work. Each running copy writes into a folder of its own below the data
// folder's "recovery": the project file's bytes, the project it belongs to, and the pictures
// that lived only in the copy's temporary picture folder (they are removed when the copy ends).
// At the next start, the folders of copies no longer running are offered.
#include "album/project_document.h"
#include "platform/failure.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velomira {

// "recovery" in the work folder.
std::filesystem::path recoveryRoot(const std::filesystem::path& workFolder);

// What is written, taken on the window thread (the document is cheap to build); the rest of
// the work happens on a worker.
struct RecoverySnapshot {
    ProjectDocument document;
    std::string projectPath;            // the project's own file; empty when never saved
    std::filesystem::path tempPictures; // pictures below it are kept with the copy
};

// Writes the copy into folder: its pictures, then the project's path, then the project file,
// each atomically, so an interrupted write leaves the previous copy whole.
std::optional<Failure> writeRecoveryCopy(const std::filesystem::path& folder,
                                         const RecoverySnapshot& snapshot);
void removeRecoveryCopy(const std::filesystem::path& folder);

// A copy left behind by a copy of the program that is no longer running.
struct FoundRecovery {
    std::filesystem::path folder;
    std::string projectPath; // empty: never saved
    std::string projectName;
    std::time_t written = 0;
};

struct RecoveryScan {
    std::vector<FoundRecovery> offers; // newest first
    std::vector<std::string> skipped;  // lines for the information window
};

// Looks at the folders of ended copies below root. Copies older than their project are
// removed; torn, empty or foreign ones are moved to "kept" (never deleted) with a line each.
// A copy declined at an earlier start is deleted now.
RecoveryScan findRecoveryCopies(const std::filesystem::path& root);

// "No" to the offer: the copy is moved to "declined" and deleted at the next start.
void declineRecoveryCopy(const std::filesystem::path& root, const FoundRecovery& found);

// The question shown at start: "恢复未保存的项目?", the project's name and the time written.
std::string recoveryQuestion(const FoundRecovery& found);

// Moves the copy's pictures into tempPictures; returns the project file to open and the
// folder prefix that the file's pictures carry, to be replaced by tempPictures.
struct RecoveryOpening {
    std::filesystem::path projectFile;
    std::string picturePrefix;
};
RecoveryOpening prepareRecoveryOpening(const FoundRecovery& found,
                                       const std::filesystem::path& tempPictures);

} // namespace velomira
