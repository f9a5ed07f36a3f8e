#include "support/program_run.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velomira::testing {

namespace {

class FileActions {
  public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    // Standard input from /dev/null, the other two to their files (or /dev/null).
    void redirect(const std::string& outFile, const std::string& errFile) {
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        for (int fd : {1, 2}) {
            const std::string& file = fd == 1 ? outFile : errFile;
            if (file.empty())
                posix_spawn_file_actions_addopen(&actions_, fd, "/dev/null", O_WRONLY, 0);
            else
                posix_spawn_file_actions_addopen(&actions_, fd, file.c_str(),
                                                 O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
    }
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The test's environment without the names of `own`, then `own`.
std::vector<std::string> environmentFor(const std::vector<std::string>& own) {
    std::vector<std::string> entries;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry = *e;
        const bool replaced = std::any_of(own.begin(), own.end(), [entry](const std::string& o) {
            return entry.starts_with(std::string_view(o).substr(0, o.find('=') + 1));
        });
        if (!replaced)
            entries.emplace_back(entry);
    }
    entries.insert(entries.end(), own.begin(), own.end());
    return entries;
}

pid_t spawn(std::vector<std::string> argv, std::vector<std::string> environment,
            FileActions& actions) {
    std::vector<char*> args = pointersTo(argv);
    std::vector<char*> env = pointersTo(environment);
    pid_t pid = -1;
    if (args.size() < 2 ||
        posix_spawnp(&pid, args[0], actions.get(), nullptr, args.data(), env.data()) != 0)
        return -1;
    return pid;
}

} // namespace

pid_t startProgram(const ProgramLaunch& launch) {
    FileActions actions;
    actions.redirect(launch.outFile, launch.errFile);
    return spawn(launch.argv, environmentFor(launch.environment), actions);
}

int waitForProgram(pid_t pid) {
    if (pid <= 0)
        return -1;
    int status = 0;
    pid_t waited = -1;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ProgramRun finishProgram(pid_t pid, const std::string& outFile, const std::string& errFile) {
    ProgramRun run;
    run.exitCode = waitForProgram(pid);
    run.out = readWholeFile(outFile);
    run.err = readWholeFile(errFile);
    return run;
}

ProgramRun programOutput(const std::vector<std::string>& argv) {
    ProgramRun run;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return run;
    Descriptor reading(fds[0]);
    Descriptor writing(fds[1]);
    FileActions actions;
    posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    // The copy on standard output loses close-on-exec; both pipe ends close in the child.
    posix_spawn_file_actions_adddup2(actions.get(), writing.get(), 1);
    const pid_t pid = spawn(argv, environmentFor({}), actions);
    writing.reset();
    if (pid < 0)
        return run;
    char chunk[4096];
    for (ssize_t got; (got = read(reading.get(), chunk, sizeof chunk)) > 0;)
        run.out.append(chunk, static_cast<std::size_t>(got));
    run.exitCode = waitForProgram(pid);
    return run;
}

std::vector<std::string> privateHome(const std::filesystem::path& home) {
    return {"XDG_CONFIG_HOME=" + (home / "config").string(), "HOME=" + home.string()};
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace velomira::testing
