#pragma once
// An outside program run as a child process: started from an argument array (never through a
// shell), with its standard error drained into a bounded buffer while it runs, and always
// waited for, so no child outlives its owner as a zombie. The child runs in a process group of
// its own and is killed by the kernel when the thread that started it ends, so it cannot
// outlive this process either.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace velomira {

// Bytes of a child's standard error that are kept; the rest is read and dropped.
constexpr std::size_t kKeptErrorBytes = 4096;

struct ChildSpec {
    std::filesystem::path program;       // also the child's argv[0]
    std::vector<std::string> arguments;  // argv[1..]
    std::filesystem::path workingFolder; // empty: the caller's current folder
    int standardInput = -1;              // descriptor to use as stdin; -1: /dev/null
    // Keep the last kKeptErrorBytes of standard error instead of the first: for a tool that
    // reports its result at the end.
    bool keepErrorTail = false;
};

// Which step of starting the child failed, and the errno it gave.
enum class StartStage { None, ErrorPipe, Spawn };
struct StartFailure {
    StartStage stage = StartStage::None;
    int error = 0;
};

struct ChildExit {
    bool readable = false; // false when the status could not be collected
    int code = -1;         // exit code; 128 + signal number for a child ended by a signal
};

class ChildProcess {
  public:
    ChildProcess() = default;
    // Kills a child that is still running and collects it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the child. Standard output goes to /dev/null, standard error into the drain;
    // every other descriptor of this process is closed in the child.
    bool start(const ChildSpec& spec, StartFailure& failure);

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // True once the child has ended (collects it without waiting).
    bool hasEnded();
    // Waits for the child to end and returns its exit status.
    ChildExit wait();
    // Waits at most the given time; true when the child has ended.
    bool waitFor(std::chrono::milliseconds limit);
    // Ends the child and its process group at once (SIGKILL, also when the child is stopped);
    // does nothing once it has been collected.
    void kill();
    // Asks the child itself (not its group) to finish what it has and end (SIGINT); does
    // nothing once it has been collected.
    void interrupt();
    // The first kKeptErrorBytes bytes the child wrote to standard error. Complete once wait()
    // has returned.
    std::string errorOutput();

  private:
    void drain(int fd);
    void finishDrain();

    pid_t pid_ = -1;
    std::mutex lock_;
    bool collected_ = false;
    ChildExit exit_;
    std::thread drainThread_;
    std::atomic<bool> ended_{false};
    bool keepErrorTail_ = false;
    std::mutex errorLock_;
    std::string errorText_;
};

} // namespace velomira
