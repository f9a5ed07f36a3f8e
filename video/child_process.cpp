#include "video/child_process.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>

extern char** environ;

namespace velomira {

namespace {

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

// Tells the parent why the child could not become the tool, and ends the child.
[[noreturn]] void failChild(int status) {
    const int code = errno;
    ssize_t ignored = ::write(status, &code, sizeof code);
    (void)ignored;
    ::_exit(127);
}

// Everything the child does between fork and exec: only async-signal-safe calls, since other
// threads of this process may hold locks at the moment of the fork.
[[noreturn]] void runChild(pid_t parent, const ChildSpec& spec, int input, int output, int error,
                           int status, char* const* argv) {
    // The kernel ends the child when the thread that started it goes, whatever way this
    // process dies (a second Ctrl+C, SIGKILL): a hung encoder never stays behind as an orphan.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        failChild(status);
    if (::getppid() != parent)
        ::_exit(127);
    // A group of its own: the terminal's Ctrl+C reaches only us (the stop), and a kill reaches
    // whatever the tool started itself.
    ::setpgid(0, 0);
    if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
        ::dup2(error, STDERR_FILENO) < 0)
        failChild(status);
    if (!spec.workingFolder.empty() && ::chdir(spec.workingFolder.c_str()) != 0)
        failChild(status);
    // Descriptors opened elsewhere without close-on-exec must not leak either: a stray copy
    // of a pipe's write end would keep the child from ever seeing the end of its input.
    if (::syscall(SYS_close_range, STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        const long limit = std::min<long>(::sysconf(_SC_OPEN_MAX), 65536);
        for (int fd = STDERR_FILENO + 1; fd < limit; ++fd)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    // SIGPIPE and SIGXFSZ are ignored in this process, and ignored signals survive exec.
    for (int signal : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        ::signal(signal, SIG_DFL);
    sigset_t noMask;
    sigemptyset(&noMask);
    ::sigprocmask(SIG_SETMASK, &noMask, nullptr);
    ::execve(spec.program.c_str(), argv, environ);
    failChild(status);
}

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
    int statusPipe[2];
    if (!nullDevice.valid() || ::pipe2(statusPipe, O_CLOEXEC) != 0) {
        failure = {StartStage::Spawn, errno};
        return false;
    }
    UniqueFd statusRead(statusPipe[0]);
    UniqueFd statusWrite(statusPipe[1]);

    // Everything the child needs is made before the fork: it may not allocate.
    std::vector<std::string> texts;
    texts.reserve(spec.arguments.size() + 1);
    texts.push_back(spec.program.string());
    texts.insert(texts.end(), spec.arguments.begin(), spec.arguments.end());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const int input = spec.standardInput >= 0 ? spec.standardInput : nullDevice.get();

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        failure = {StartStage::Spawn, errno};
        return false;
    }
    if (pid == 0)
        runChild(parent, spec, input, nullDevice.get(), errorWrite.get(), statusWrite.get(),
                 argv.data());
    ::setpgid(pid, pid); // also here, so a kill right after the start reaches the group
    statusWrite.reset();
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(statusRead.get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        failure = {StartStage::Spawn, childError};
        return false;
    }
    pid_ = pid;
    keepErrorTail_ = spec.keepErrorTail;
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
                if (keepErrorTail_) {
                    errorText_.append(buffer, static_cast<std::size_t>(got));
                    if (errorText_.size() > kKeptErrorBytes)
                        errorText_.erase(0, errorText_.size() - kKeptErrorBytes);
                    continue;
                }
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
    if (pid_ > 0 && !collected_) {
        ::kill(-pid_, SIGKILL); // the tool and whatever it started
        ::kill(pid_, SIGKILL);
    }
}

void ChildProcess::interrupt() {
    std::lock_guard guard(lock_);
    if (pid_ > 0 && !collected_)
        ::kill(pid_, SIGINT);
}

std::string ChildProcess::errorOutput() {
    std::lock_guard guard(errorLock_);
    return errorText_;
}

} // namespace velomira
