#include "album/project_file.h"

#include "album/project_document.h"
#include "album/project_text.h"
#include "app/file_problem_text.h"
#include "platform/file_writes.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

constexpr const char* kErrorTitle = "错误";
constexpr const char* kCreateFailed = "写入文件时出错，文件句柄打开出错";
constexpr const char* kWriteFailed = "写入文件时出错";
constexpr const char* kCannotOpen = "读取文件时出错, 无法打开文件句柄";
constexpr const char* kEmptyFile = "读取文件时出错，这是一个空白文件。";
constexpr const char* kReadFailed = "读取文件时出错";
constexpr const char* kTooLarge = "读取文件时出错，文件太大（超过 50 MB），不是项目文件。";

// Attempts at a free name in `pics` before the copy counts as failed.
constexpr int kMaxNameAttempts = 1000;

class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports whether the close succeeded (a late write error shows here).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset() { close(); }

  private:
    int fd_;
};

// Reads up to size bytes; false on an error or when the file ends early.
bool readAll(int fd, char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t got = ::read(fd, data, size);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return false;
        }
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Text after the last '.' of the last path component; "jpg" when there is none.
std::string extensionOf(const std::string& path) {
    const std::string name = projectFileNameOf(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) {
        return "jpg";
    }
    return name.substr(dot + 1);
}

std::string timeStampedName(const std::string& extension, std::mt19937& engine) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    if (std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H-%M-%S", &local) == 0) {
        stamp[0] = '\0';
    }
    std::uniform_int_distribution<int> pick(10000, 30000);
    return std::string(stamp) + "-" + std::to_string(pick(engine)) + "." + extension;
}

Failure copyFailure(const std::string& source, const std::string& target) {
    return {"图片 '" + source + "' 复制到 pics 文件夹 '" + target + "' 发生错误, 请联系客服。",
            kErrorTitle, MessageKind::Error};
}

Failure errorFailure(const char* text) {
    return {text, kErrorTitle, MessageKind::Error};
}

Failure readFailure(const char* text) {
    return {text, kProjectReadTitle, MessageKind::Error};
}

// The message's own sentence, then the file and the cause on a line of their own.
Failure errorFailure(const char* text, int error, const std::string& path) {
    return {std::string(text) + "\n" + fileProblemText(error, path), kErrorTitle,
            MessageKind::Error};
}

Failure readFailure(const char* text, int error, const std::string& path) {
    return {std::string(text) + "\n" + fileProblemText(error, path), kProjectReadTitle,
            MessageKind::Error};
}

// Copies the picture into `pics` under a fresh time-stamped name and points the item at the
// copy. The target is created exclusively, so an existing file is never overwritten.
std::optional<Failure> copyIntoPics(AlbumItem& item, const std::string& pics,
                                    std::mt19937& engine) {
    const std::string source = item.path;
    const std::string extension = extensionOf(source);
    std::string target = joinPath(pics, timeStampedName(extension, engine));

    UniqueFd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!in.valid() || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return copyFailure(source, target);
    }
    UniqueFd out;
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        const int error = errno;
        out = UniqueFd(fd);
        if (out.valid() || error != EEXIST) {
            break;
        }
        target = joinPath(pics, timeStampedName(extension, engine));
    }
    if (!out.valid()) {
        return copyFailure(source, target);
    }
    bool ok = true;
    char buffer[1 << 16];
    while (ok) {
        const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = writeAll(out.get(), std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    ok = out.close() && ok;
    if (!ok) {
        // A partial copy would look like a good picture in `pics`.
        ::unlink(target.c_str());
        return copyFailure(source, target);
    }
    item.path = target;
    item.fileName = projectFileNameOf(target);
    return std::nullopt;
}

// The file a save lands in: through a symbolic link, the file it points to, so the link stays.
std::string resolvedTarget(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto resolved = std::filesystem::weakly_canonical(path, ec);
        if (!ec) {
            return resolved.string();
        }
    }
    return path;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

WriteOutcome replaceFile(const std::string& path, const std::string& bytes, int& error) {
    const std::string target = resolvedTarget(path);
    const std::string folder = folderOf(target);
    std::string temporary = joinPath(folder, "." + projectFileNameOf(target) + ".XXXXXX");
    UniqueFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.valid()) {
        error = errno;
        return WriteOutcome::CreateFailed;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual 0644.
    struct stat info {};
    const mode_t mode = ::stat(target.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
    ::fchmod(out.get(), mode);

    const bool written = writeAll(out.get(), bytes) && ::fsync(out.get()) == 0 && out.close() &&
                         ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!written) {
        error = errno;
        out.reset();
        ::unlink(temporary.c_str());
        return WriteOutcome::WriteFailed;
    }
    // Make the rename itself durable; a failure here leaves a complete file either way.
    UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) {
        ::fsync(directory.get());
    }
    return WriteOutcome::Written;
}

WriteOutcome replaceFile(const std::string& path, const std::string& bytes) {
    int error = 0;
    return replaceFile(path, bytes, error);
}

std::string projectFileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string serializeProject(const AlbumProject& album) {
    return projectTextToGbk(printProjectDocument(documentFromAlbum(album)));
}

SerializedProject serializeProject(AlbumProject& album, const ProjectFolders& folders,
                                   bool copyPictures) {
    // An empty folder name would be contained in every path.
    if (copyPictures && !folders.tempPictures.empty()) {
        std::mt19937 engine{std::random_device{}()};
        for (AlbumItem& item : album.items) {
            if (item.path.find(folders.tempPictures) == std::string::npos) {
                continue;
            }
            if (std::optional<Failure> failure = copyIntoPics(item, folders.pics, engine)) {
                return {std::nullopt, std::move(failure)};
            }
        }
    }
    return {serializeProject(static_cast<const AlbumProject&>(album)), std::nullopt};
}

ProjectSave saveProjectFile(AlbumProject& album, const ProjectFolders& folders,
                            const std::string& path, ProjectFileState& state) {
    const SerializedProject text = serializeProject(album, folders, true);
    if (!text.bytes) {
        return {text.failure};
    }
    if (text.bytes->empty()) {
        // Only when memory ran out while printing: never replace a file with nothing.
        return {errorFailure(kWriteFailed)};
    }
    int error = 0;
    switch (replaceFile(path, *text.bytes, error)) {
    case WriteOutcome::CreateFailed:
        return {errorFailure(kCreateFailed, error, path)};
    case WriteOutcome::WriteFailed:
        return {errorFailure(kWriteFailed, error, path)};
    case WriteOutcome::Written:
        break;
    }
    state.path = path;
    state.name = projectFileNameOf(path);
    return {};
}

bool isProjectModified(const AlbumProject& album, const ProjectFileState& state) {
    if (album.items.empty()) {
        return false;
    }
    if (state.path.empty()) {
        return true;
    }
    const ProjectFileBytes file = readProjectFileBytes(state.path);
    return !file.bytes || *file.bytes != serializeProject(album);
}

ProjectFileBytes readProjectFileBytes(const std::string& path) {
    ProjectFileBytes result;
    // Non-blocking, so that a FIFO given as the project cannot hang the open.
    UniqueFd in(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in.valid()) {
        result.failure = readFailure(kCannotOpen, errno, path);
        return result;
    }
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) {
        result.failure = readFailure(kReadFailed, errno, path);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.failure = S_ISDIR(info.st_mode)
                             ? readFailure(kCannotOpen, EISDIR, path)
                             : Failure{std::string(kCannotOpen) + "\n不是普通文件: " + path,
                                       kProjectReadTitle, MessageKind::Error};
        return result;
    }
    if (info.st_size == 0) {
        result.failure = readFailure(kEmptyFile);
        return result;
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxProjectFileBytes) {
        result.failure = readFailure(kTooLarge);
        return result;
    }
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    if (!readAll(in.get(), bytes.data(), bytes.size())) {
        result.failure = readFailure(kReadFailed, errno, path);
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

ProjectFileBytes readProjectFileText(const std::string& path) {
    ProjectFileBytes file = readProjectFileBytes(path);
    if (file.bytes) {
        file.bytes = projectTextFromGbk(*file.bytes);
    }
    return file;
}

} // namespace velomira
