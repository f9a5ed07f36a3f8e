#include "video/child_process.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace velomira {

namespace {

// Releases the spawn helper objects on every path.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    bool actionsReady = false;
    bool attributesReady = false;
    ~SpawnSetup() {
        if (actionsReady)
            posix_spawn_file_actions_destroy(&actions);
        if (attributesReady)
            posix_spawnattr_destroy(&attributes);
    }
};

ChildExit exitFromStatus(int status) {
    ChildExit result;
    result.readable = true;
    if (WIFEXITED(status))
        result.code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.code = 128 + WTERMSIG(status);
    return result;
}

// How long the drain keeps listening after the child has ended, for a grandchild that still
// holds the error pipe open.
constexpr auto kDrainAfterExit = std::chrono::seconds(2);

} // namespace

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !hasEnded()) {
        kill();
    }
    if (pid_ > 0)
        wait();
    finishDrain();
}

bool ChildProcess::start(const ChildSpec& spec, StartFailure& failure) {
    failure = {};
    if (pid_ > 0) {
        failure = {StartStage::Spawn, EBUSY};
        return false;
    }
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        failure = {StartStage::ErrorPipe, errno};
        return false;
    }
    UniqueFd errorRead(errorPipe[0]);
    UniqueFd errorWrite(errorPipe[1]);
    UniqueFd nullDevice(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!nullDevice.valid()) {
        failure = {StartStage::Spawn, errno};
        return false;
    }

    SpawnSetup setup;
    int result = posix_spawn_file_actions_init(&setup.actions);
    setup.actionsReady = result == 0;
    if (result == 0)
        result = posix_spawnattr_init(&setup.attributes);
    setup.attributesReady = setup.actionsReady && result == 0;
    const int input = spec.standardInput >= 0 ? spec.standardInput : nullDevice.get();
    if (result == 0)
        result = posix_spawn_file_actions_adddup2(&setup.actions, input, STDIN_FILENO);
    if (result == 0)
        result = posix_spawn_file_actions_adddup2(&setup.actions, nullDevice.get(), STDOUT_FILENO);
    if (result == 0)
        result = posix_spawn_file_actions_adddup2(&setup.actions, errorWrite.get(), STDERR_FILENO);
    if (result == 0 && !spec.workingFolder.empty())
        result = posix_spawn_file_actions_addchdir_np(&setup.actions, spec.workingFolder.c_str());
    // Descriptors opened elsewhere without close-on-exec must not leak either: a stray copy
    // of a pipe's write end would keep the child from ever seeing the end of its input.
    if (result == 0)
        result = posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);
    // SIGPIPE is ignored in this process, and ignored signals survive exec.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigset_t noMask;
    sigemptyset(&noMask);
    if (result == 0)
        result = posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    if (result == 0)
        result = posix_spawnattr_setsigmask(&setup.attributes, &noMask);
    if (result == 0)
        result = posix_spawnattr_setflags(&setup.attributes,
                                          POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (result != 0) {
        failure = {StartStage::Spawn, result};
        return false;
    }

    std::vector<std::string> texts;
    texts.reserve(spec.arguments.size() + 1);
    texts.push_back(spec.program.string());
    texts.insert(texts.end(), spec.arguments.begin(), spec.arguments.end());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    result = posix_spawn(&pid, spec.program.c_str(), &setup.actions, &setup.attributes, argv.data(),
                         environ);
    if (result != 0) {
        failure = {StartStage::Spawn, result};
        return false;
    }
    pid_ = pid;
    collected_ = false;
    ended_ = false;
    errorWrite.reset();
    const int readEnd = errorRead.get();
    drainThread_ = std::thread([this, readEnd, owned = std::move(errorRead)]() mutable {
        drain(readEnd);
        owned.reset();
    });
    return true;
}

void ChildProcess::drain(int fd) {
    char buffer[4096];
    std::chrono::steady_clock::time_point endedAt{};
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, 100);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready > 0) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
                return;
            if (got > 0) {
                std::lock_guard guard(errorLock_);
                const std::size_t room = kKeptErrorBytes - errorText_.size();
                errorText_.append(buffer, std::min(room, static_cast<std::size_t>(got)));
            }
            continue;
        }
        if (ended_) {
            const auto now = std::chrono::steady_clock::now();
            if (endedAt == std::chrono::steady_clock::time_point{})
                endedAt = now;
            else if (now - endedAt > kDrainAfterExit)
                return;
        }
    }
}

void ChildProcess::finishDrain() {
    if (drainThread_.joinable())
        drainThread_.join();
}

bool ChildProcess::hasEnded() {
    std::lock_guard guard(lock_);
    if (pid_ <= 0 || collected_)
        return true;
    int status = 0;
    const pid_t got = ::waitpid(pid_, &status, WNOHANG);
    if (got == pid_) {
        exit_ = exitFromStatus(status);
    } else if (got < 0 && errno != EINTR) {
        exit_ = ChildExit{};
    } else {
        return false;
    }
    collected_ = true;
    ended_ = true;
    return true;
}

bool ChildProcess::waitFor(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    while (!hasEnded()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    return true;
}

ChildExit ChildProcess::wait() {
    // Polling rather than a blocking waitpid lets another thread kill() the child safely: the
    // pid cannot be reused before this object has collected it.
    while (!waitFor(std::chrono::hours(1))) {
    }
    finishDrain();
    std::lock_guard guard(lock_);
    return exit_;
}

void ChildProcess::kill() {
    std::lock_guard guard(lock_);
    if (pid_ > 0 && !collected_)
        ::kill(pid_, SIGKILL);
}

std::string ChildProcess::errorOutput() {
    std::lock_guard guard(errorLock_);
    return errorText_;
}

} // namespace velomira
