#include "video/pending_output.h"

#include "video/host_name.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
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
constexpr char kHostCharacters[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_";
// A temporary file without a host in its name (made before names carried one) may belong to a
// machine sharing the folder; it goes only when nothing has written to it for this long, far
// beyond any encoder's stall limit.
constexpr std::time_t kQuietOldStyleSeconds = 24 * 60 * 60;

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

// Who left a temporary file: the process id and host of
// ".<anything>.<pid>-<n>@<host>.part[...].mp4", or of the older
// ".<anything>.<pid>-<n>.part[...].mp4" (host empty); pid -1 when the name is of neither form.
struct PendingOwner {
    long pid = -1;
    std::string host;
};

// The pid in "<anything>.<pid>-<n>", or -1.
long ownerPid(const std::string& head) {
    const std::size_t dash = head.rfind('-');
    const std::size_t dot = head.rfind('.', dash == std::string::npos ? 0 : dash);
    if (dash == std::string::npos || dot == std::string::npos || dot == 0 || dash - dot < 2 ||
        head.size() - dash < 2)
        return -1;
    const std::string pid = head.substr(dot + 1, dash - dot - 1);
    const std::string number = head.substr(dash + 1);
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid.size() > 9 ||
        number.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stol(pid);
}

PendingOwner pendingOwner(const std::string& name) {
    if (name.size() < 4 || name[0] != '.' || name.compare(name.size() - 4, 4, ".mp4") != 0)
        return {};
    const std::size_t part = name.rfind(".part");
    if (part == std::string::npos || part == 0)
        return {};
    const std::string tail = name.substr(part + 5, name.size() - 4 - part - 5);
    if (!tail.empty() && tail != "-cut" &&
        (tail[0] != '-' || tail.find_first_not_of("0123456789", 1) != std::string::npos ||
         tail.size() == 1))
        return {};
    const std::string head = name.substr(0, part);
    const std::size_t at = head.rfind('@');
    if (at != std::string::npos && at + 1 < head.size() &&
        head.find_first_not_of(kHostCharacters, at + 1) == std::string::npos) {
        if (const long pid = ownerPid(head.substr(0, at)); pid > 0)
            return {pid, head.substr(at + 1)};
    }
    return {ownerPid(head), {}};
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

std::string pendingFileName(const std::string& fileName, long pid, int number,
                            const std::string& host) {
    const std::string suffix =
        "." + std::to_string(pid) + "-" + std::to_string(number) + "@" + host + ".part.mp4";
    std::string name = "." + fileName + suffix;
    if (name.size() <= kMaxPendingNameBytes)
        return name;
    // Distinct long names stay distinct through the hash of the whole name.
    return "." + utf8Prefix(fileName, kKeptNameBytes) + "~" + hexHash(fileName) + suffix;
}

int removeStalePendingFiles(const std::string& folder) {
    const std::string host = leftoverHostName();
    int removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const PendingOwner owner = pendingOwner(entry->path().filename().string());
        // Another machine's process ids say nothing here: its files are never ours to remove.
        if (owner.pid <= 0 || (!owner.host.empty() && owner.host != host) ||
            (owner.pid == ::getpid() && owner.host == host) || processRunning(owner.pid))
            continue;
        struct stat info {};
        // Only plain files of this user: never follow a link, never touch another's file.
        if (::lstat(entry->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        if (owner.host.empty() && std::time(nullptr) - info.st_mtime < kQuietOldStyleSeconds)
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
    const std::string host = leftoverHostName();
    for (int n = 0; n < kNameDraws; ++n) {
        temporary_ =
            (folder / pendingFileName(path.filename().string(), ::getpid(), n, host)).string();
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
