#include "video/pending_output.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

constexpr int kNameDraws = 100;
constexpr int kStoppedNames = 100;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kKeptNameBytes = 120;

std::string hexHash(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ULL; // FNV-1a
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ULL;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

// The first bytes of a UTF-8 name, never cutting a character in two.
std::string utf8Prefix(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return text.substr(0, bytes);
}

// The pid in ".<anything>.<pid>-<n>.part[...].mp4", or -1 when the name is not of that form.
long pendingOwner(const std::string& name) {
    if (name.size() < 2 || name[0] != '.' || name.size() < 4 ||
        name.compare(name.size() - 4, 4, ".mp4") != 0)
        return -1;
    const std::size_t part = name.rfind(".part");
    if (part == std::string::npos || part == 0)
        return -1;
    const std::string tail = name.substr(part + 5, name.size() - 4 - part - 5);
    if (!tail.empty() && tail != "-cut" &&
        (tail[0] != '-' || tail.find_first_not_of("0123456789", 1) != std::string::npos ||
         tail.size() == 1))
        return -1;
    const std::size_t dash = name.rfind('-', part);
    const std::size_t dot = name.rfind('.', dash == std::string::npos ? 0 : dash);
    if (dash == std::string::npos || dot == std::string::npos || dot == 0 || dash - dot < 2 ||
        part - dash < 2)
        return -1;
    const std::string pid = name.substr(dot + 1, dash - dot - 1);
    const std::string number = name.substr(dash + 1, part - dash - 1);
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid.size() > 9 ||
        number.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stol(pid);
}

bool processRunning(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// Renames without replacing anything: false (errno EEXIST) when a file is at to, also one that
// appeared a moment ago.
bool renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the flag: a hard link fails on a taken name as well.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST || (errno != EPERM && errno != EOPNOTSUPP))
        return false;
    // Neither (FAT): look first, the best such a file system allows.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace

std::string stoppedVideoName(const std::string& target, int number) {
    const std::filesystem::path path(target);
    const std::string mark = number <= 1 ? " (已停止)" : " (已停止 " + std::to_string(number) + ")";
    const std::string extension = path.extension().string();
    // The mark must fit: a name near the file system's limit gives up the end of its stem.
    const std::string stem =
        utf8Prefix(path.stem().string(), kMaxNameBytes - mark.size() - extension.size());
    return (path.parent_path() / (stem + mark + extension)).string();
}

std::string pendingFileName(const std::string& fileName, long pid, int number) {
    const std::string suffix =
        "." + std::to_string(pid) + "-" + std::to_string(number) + ".part.mp4";
    std::string name = "." + fileName + suffix;
    if (name.size() <= kMaxPendingNameBytes)
        return name;
    // Distinct long names stay distinct through the hash of the whole name.
    return "." + utf8Prefix(fileName, kKeptNameBytes) + "~" + hexHash(fileName) + suffix;
}

int removeStalePendingFiles(const std::string& folder) {
    int removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const long pid = pendingOwner(name);
        if (pid <= 0 || pid == ::getpid() || processRunning(pid))
            continue;
        struct stat info {};
        // Only plain files of this user: never follow a link, never touch another's file.
        if (::lstat(entry->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        if (::unlink(entry->path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

PendingOutput::PendingOutput(std::string target) : target_(std::move(target)) {
    const std::filesystem::path path(target_);
    const std::filesystem::path folder = path.parent_path();
    removeStalePendingFiles(folder.empty() ? std::string(".") : folder.string());
    for (int n = 0; n < kNameDraws; ++n) {
        temporary_ = (folder / pendingFileName(path.filename().string(), ::getpid(), n)).string();
        // O_EXCL keeps two runs of this process (and leftovers of a crashed one) apart.
        const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

PendingOutput::~PendingOutput() {
    if (!committed_)
        ::unlink(temporary_.c_str());
}

bool PendingOutput::commit(std::string& failure, EarlierFile earlier) {
    if (earlier == EarlierFile::Replace) {
        if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
            failure = "cannot replace " + target_ + ": " + std::strerror(errno);
            return false;
        }
        kept_ = target_;
        committed_ = true;
        return true;
    }
    for (int n = 0; n <= kStoppedNames; ++n) {
        const std::string name = n == 0 ? target_ : stoppedVideoName(target_, n);
        if (renameNoReplace(temporary_, name)) {
            kept_ = name;
            committed_ = true;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    failure = "cannot keep the video beside " + target_ + ": " + std::strerror(errno);
    return false;
}

} // namespace velomira
