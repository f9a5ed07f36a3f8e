#include "cli/output_lock.h"

#include "platform/unique_fd.h"
#include "video/host_name.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

// A lock without a holder line is being written right now, or its writer died in between.
constexpr std::time_t kUnreadableLockSeconds = 60;

std::string readSmallFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return {};
    char buffer[512];
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

struct Holder {
    std::string host;
    long pid = 0;
};

bool parseHolder(const std::string& content, Holder& holder) {
    const std::size_t space = content.find(' ');
    if (space == std::string::npos || content.empty() || content.back() != '\n')
        return false;
    holder.host = content.substr(0, space);
    char* end = nullptr;
    holder.pid = std::strtol(content.c_str() + space + 1, &end, 10);
    return holder.pid > 0 && end != nullptr && *end == '\n';
}

bool isStale(const std::string& path, const std::string& content) {
    Holder holder;
    if (!parseHolder(content, holder)) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 &&
               std::time(nullptr) - info.st_mtime > kUnreadableLockSeconds;
    }
    return holder.host == leftoverHostName() && ::kill(static_cast<pid_t>(holder.pid), 0) != 0 &&
           errno == ESRCH;
}

// Moves the stale lock aside and checks that what moved is the lock judged stale: two
// processes taking over the same lock at once must not remove each other's fresh lock.
bool takeOver(const std::string& path, const std::string& staleContent) {
    // The host in the name keeps machines that share the folder from moving into one name.
    const std::string aside =
        path + ".stale." + leftoverHostName() + "." + std::to_string(getpid());
    if (::rename(path.c_str(), aside.c_str()) != 0)
        return errno == ENOENT;
    if (readSmallFile(aside) != staleContent) {
        // A fresh lock was moved: put it back unless yet another one took its place.
        (void)::link(aside.c_str(), path.c_str());
        ::unlink(aside.c_str());
        return false;
    }
    ::unlink(aside.c_str());
    return true;
}

// How long ago the lock was made, so a lock left by a machine that died long ago stands out.
std::string lockAge(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    const long seconds = std::max(0L, static_cast<long>(std::time(nullptr) - info.st_mtime));
    const long days = seconds / 86400;
    if (days > 0)
        return std::to_string(days) + (days == 1 ? " day" : " days");
    if (seconds >= 3600)
        return std::to_string(seconds / 3600) + " h";
    if (seconds >= 60)
        return std::to_string(seconds / 60) + " min";
    return std::to_string(seconds) + " s";
}

} // namespace

std::string lockPathFor(const std::string& output) {
    const std::filesystem::path path(output);
    return (path.parent_path() / ("." + path.filename().string() + ".lock")).string();
}

OutputLock::~OutputLock() {
    release();
}

LockState OutputLock::acquire(const std::string& output, std::string& text) {
    release();
    const std::string path = lockPathFor(output);
    const std::string content = leftoverHostName() + " " + std::to_string(getpid()) + "\n";
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (fd.valid()) {
            const bool written = ::write(fd.get(), content.data(), content.size()) ==
                                     static_cast<ssize_t>(content.size()) &&
                                 fd.close();
            if (!written) {
                const int error = errno;
                ::unlink(path.c_str());
                text = "cannot write the lock file " + path + ": " + std::strerror(error);
                return LockState::Failed;
            }
            path_ = path;
            content_ = content;
            return LockState::Held;
        }
        if (errno != EEXIST) {
            text = "cannot write into the folder of " + output + ": " + std::strerror(errno);
            return LockState::Failed;
        }
        const std::string holder = readSmallFile(path);
        if (!isStale(path, holder)) {
            Holder who;
            text = parseHolder(holder, who)
                       ? "being made on " + who.host + " by process " + std::to_string(who.pid)
                       : "being made by another process (" + path + ")";
            const std::string age = lockAge(path);
            if (!age.empty())
                text += ", locked " + age + " ago";
            // Only another host's lock is worth reporting; a lock of this host, or one whose
            // holder is still being written (or unreadable until it turns stale), is waited for.
            const bool foreign = parseHolder(holder, who) && who.host != leftoverHostName();
            return foreign ? LockState::Busy : LockState::BusyHere;
        }
        if (!takeOver(path, holder)) {
            // Another process of this host took the stale lock over at the same moment.
            text = "being made by another process (" + path + ")";
            return LockState::BusyHere;
        }
    }
    text = "the lock file " + path + " keeps coming back";
    return LockState::Busy;
}

void OutputLock::release() {
    if (path_.empty())
        return;
    if (readSmallFile(path_) == content_)
        ::unlink(path_.c_str());
    path_.clear();
    content_.clear();
}

} // namespace velomira
