#include "services/recovery_copy.h"

#include "album/project_file.h"
#include "album/project_reading.h"
#include "album/project_text.h"
#include "app/running_copies.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProjectFile = "project.dat";
constexpr const char* kOriginFile = "origin";
constexpr const char* kPictures = "pictures";
constexpr const char* kKept = "kept";
constexpr const char* kDeclined = "declined";
constexpr const char* kWriteFailed = "无法写入恢复副本，磁盘可能已满";

bool startsWithFolder(const std::string& path, const std::string& folder) {
    return !folder.empty() && path.size() > folder.size() + 1 &&
           path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

// Copies the picture unless an equal-sized copy is already there (pictures in the temporary
// folder never change once made).
bool keepPicture(const fs::path& from, const fs::path& to) {
    std::error_code error;
    if (fs::exists(to, error) && fs::file_size(to, error) == fs::file_size(from, error))
        return true;
    fs::create_directories(to.parent_path(), error);
    const fs::path partial = to.string() + ".part";
    if (!fs::copy_file(from, partial, fs::copy_options::overwrite_existing, error))
        return false;
    fs::rename(partial, to, error);
    return !error;
}

std::string readSmallFile(const fs::path& path) {
    const ProjectFileBytes read = readProjectFileBytes(path.string());
    return read.bytes.value_or(std::string());
}

std::string timeText(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void moveInto(const fs::path& folder, const fs::path& destination) {
    std::error_code error;
    fs::create_directories(destination.parent_path(), error);
    fs::remove_all(destination, error);
    fs::rename(folder, destination, error);
}

// Why the copy cannot be offered, or empty.
std::string unusableReason(const fs::path& project, const struct stat& info) {
    if (info.st_uid != ::getuid())
        return "属于其他用户";
    if (info.st_size == 0)
        return "文件为空";
    const ProjectFileBytes bytes = readProjectFileText(project.string());
    if (!bytes.bytes)
        return bytes.failure.text;
    if (parseProjectDocument(*bytes.bytes).flaw != ProjectFlaw::None)
        return "文件不完整";
    return {};
}

// Sorts one ended copy's folder into the scan.
void lookAt(const fs::path& root, const fs::path& folder, RecoveryScan& scan) {
    const fs::path project = folder / kProjectFile;
    struct stat info {};
    std::error_code error;
    if (::lstat(project.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        // The copy never finished a write: nothing of it was ever offered.
        if (fs::is_empty(folder, error))
            fs::remove(folder, error);
        return;
    }
    if (const std::string reason = unusableReason(project, info); !reason.empty()) {
        const fs::path kept = root / kKept / folder.filename();
        scan.skipped.push_back("跳过恢复副本(" + reason + ")，已保留在: " + kept.string());
        moveInto(folder, kept);
        return;
    }
    FoundRecovery found{folder, readSmallFile(folder / kOriginFile), kNewProjectName,
                        info.st_mtime};
    if (!found.projectPath.empty()) {
        found.projectName = projectFileNameOf(found.projectPath);
        struct stat own {};
        // The project was saved after the copy was written: the copy holds nothing newer.
        if (::stat(found.projectPath.c_str(), &own) == 0 && own.st_mtime > info.st_mtime) {
            fs::remove_all(folder, error);
            return;
        }
    }
    scan.offers.push_back(std::move(found));
}

} // namespace

fs::path recoveryRoot(const fs::path& workFolder) {
    return workFolder / "recovery";
}

std::optional<Failure> writeRecoveryCopy(const fs::path& folder, const RecoverySnapshot& snapshot) {
    std::error_code error;
    fs::create_directories(folder, error);
    ProjectDocument document = snapshot.document;
    const std::string temp = snapshot.tempPictures.string();
    if (document.imgs) {
        for (ProjectItemEntry& item : *document.imgs) {
            if (!startsWithFolder(item.path, temp))
                continue;
            const fs::path kept = folder / kPictures / item.path.substr(temp.size() + 1);
            if (!keepPicture(item.path, kept))
                return Failure{kWriteFailed, "提示", MessageKind::Warning};
            item.path = kept.string();
        }
    }
    const std::string bytes = projectTextToGbk(printProjectDocument(document));
    if (bytes.empty() ||
        replaceFile((folder / kOriginFile).string(), snapshot.projectPath) !=
            WriteOutcome::Written ||
        replaceFile((folder / kProjectFile).string(), bytes) != WriteOutcome::Written)
        return Failure{kWriteFailed, "提示", MessageKind::Warning};
    return std::nullopt;
}

void removeRecoveryCopy(const fs::path& folder) {
    std::error_code error;
    fs::remove_all(folder, error);
}

RecoveryScan findRecoveryCopies(const fs::path& root) {
    RecoveryScan scan;
    std::error_code error;
    fs::remove_all(root / kDeclined, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory(error) || entry.is_symlink(error) || !isCopyName(name) ||
            copyIsRunning(name))
            continue;
        lookAt(root, entry.path(), scan);
    }
    std::sort(scan.offers.begin(), scan.offers.end(),
              [](const FoundRecovery& a, const FoundRecovery& b) { return a.written > b.written; });
    return scan;
}

void declineRecoveryCopy(const fs::path& root, const FoundRecovery& found) {
    moveInto(found.folder, root / kDeclined / found.folder.filename());
}

std::string recoveryQuestion(const FoundRecovery& found) {
    return "恢复未保存的项目?\n\n项目: " + found.projectName +
           "\n写入时间: " + timeText(found.written);
}

RecoveryOpening prepareRecoveryOpening(const FoundRecovery& found, const fs::path& tempPictures) {
    const fs::path pictures = found.folder / kPictures;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(pictures, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error))
            keepPicture(it->path(), tempPictures / fs::relative(it->path(), pictures, error));
    }
    return {found.folder / kProjectFile, pictures.string()};
}

} // namespace velomira
