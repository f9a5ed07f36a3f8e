#include "platform/paths.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace velomira {

namespace fs = std::filesystem;

namespace {

// An environment value that is set and not empty.
const char* nonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

// XDG base folders must be absolute; a relative value is ignored.
fs::path xdgFolder(const char* name, const fs::path& fallback) {
    const char* value = nonEmptyEnv(name);
    if (value && value[0] == '/')
        return value;
    return fallback;
}

bool isFolder(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

long long millisecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Runs `xdg-user-dir KIND` without a shell and returns its first output line. The helper is a
// tiny script; it gets two seconds before it is killed, so start-up can never hang on it.
std::string askXdgUserDir(const char* kind) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return {};
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return {};
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char program[] = "xdg-user-dir";
    std::string argument = kind;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t child = -1;
    int spawned = posix_spawnp(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset();
    if (spawned != 0)
        return {};

    std::string output;
    const long long deadline = millisecondsNow() + 2000;
    bool reachedEnd = false;
    while (output.size() < 8192) {
        long long left = deadline - millisecondsNow();
        if (left <= 0)
            break;
        pollfd watch{readEnd.get(), POLLIN, 0};
        int ready = poll(&watch, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char chunk[1024];
        ssize_t got = ::read(readEnd.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            reachedEnd = got == 0;
            break;
        }
        output.append(chunk, static_cast<size_t>(got));
    }
    // A helper that is slow, talks too much or lingers after closing its output is killed.
    int status = 0;
    pid_t waited = 0;
    while (reachedEnd && millisecondsNow() < deadline) {
        waited = waitpid(child, &status, WNOHANG);
        if (waited != 0 && !(waited < 0 && errno == EINTR))
            break;
        usleep(2000);
    }
    if (waited < 0)
        return {}; // already reaped elsewhere: the id may belong to someone else by now
    if (waited == 0) {
        kill(child, SIGKILL);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return {};
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    size_t lineEnd = output.find('\n');
    if (lineEnd != std::string::npos)
        output.resize(lineEnd);
    return output;
}

} // namespace

fs::path homeFolder() {
    if (const char* home = nonEmptyEnv("HOME"))
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    return "/";
}

fs::path programFolder() {
    std::error_code ec;
    fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && executable.has_parent_path())
        return executable.parent_path();
    fs::path current = fs::current_path(ec);
    return ec ? fs::path(".") : current;
}

fs::path desktopFolder() {
    fs::path answered = askXdgUserDir("DESKTOP");
    if (answered.is_absolute() && isFolder(answered))
        return answered;
    fs::path home = homeFolder();
    if (isFolder(home / "Desktop"))
        return home / "Desktop";
    return home;
}

fs::path userMediaFolder(const char* kind, const char* englishName) {
    const fs::path home = homeFolder();
    fs::path answered = askXdgUserDir(kind);
    // xdg-user-dir answers the home folder itself for a kind the user has not configured.
    if (answered.is_absolute() && isFolder(answered) && answered != home)
        return answered;
    if (isFolder(home / englishName))
        return home / englishName;
    return {};
}

fs::path systemTempFolder() {
    if (const char* temp = nonEmptyEnv("TMPDIR"))
        return temp;
    return "/tmp";
}

fs::path workFolderFor(const fs::path& programFolder) {
    if (isFolder(programFolder) && ::access(programFolder.c_str(), W_OK | X_OK) == 0)
        return programFolder;
    fs::path data = xdgFolder("XDG_DATA_HOME", homeFolder() / ".local" / "share") / "Velomira";
    std::error_code ec;
    fs::create_directories(data, ec);
    if (isFolder(data) && ::access(data.c_str(), W_OK | X_OK) == 0)
        return data;
    // No usable home (unset, or a system user's "/nonexistent"): a private folder in the
    // temporary folder keeps the program working for this session.
    fs::path scratch = systemTempFolder() / ("Velomira-" + std::to_string(getuid()));
    ::mkdir(scratch.c_str(), 0700);
    struct stat info {};
    if (::lstat(scratch.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid())
        return scratch;
    // Someone else's folder or a link under that name: a fresh one of our own instead.
    std::string pattern = (systemTempFolder() / "Velomira-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr)
        return pattern;
    return data;
}

fs::path workFolder() {
    return workFolderFor(programFolder());
}

fs::path configHomeFolder() {
    return xdgFolder("XDG_CONFIG_HOME", homeFolder() / ".config");
}

fs::path cacheHomeFolder() {
    return xdgFolder("XDG_CACHE_HOME", homeFolder() / ".cache");
}

} // namespace velomira
