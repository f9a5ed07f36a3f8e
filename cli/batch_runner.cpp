#include "cli/batch_runner.h"

#include "app/json_handles.h"
#include "app/printable_text.h"
#include "cli/album_from_options.h"
#include "cli/output_lock.h"
#include "cli/output_refusal.h"
#include "platform/unique_fd.h"
#include "video/host_name.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velomira {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kResultPrefix = "velomira-job ";
// Only the end of a job's output matters: the result line and the last message.
constexpr std::size_t kKeptOutputBytes = 8192;

// One job's child process, its pipes and its output's lock. A job given up without being
// collected (the batch ending by an exception) is ended and collected here, before its lock
// is released.
struct RunningJob {
    RunningJob() = default;
    RunningJob(const RunningJob&) = delete;
    RunningJob& operator=(const RunningJob&) = delete;
    ~RunningJob() {
        if (pid > 0 && !collected) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    std::size_t slot = 0;
    pid_t pid = -1;
    bool collected = false;
    UniqueFd out;
    UniqueFd err;
    std::string outText;
    std::string errText;
    OutputLock lock;
    std::string staging;
    Clock::time_point started;
};

void keepTail(std::string& kept, const char* bytes, std::size_t count) {
    kept.append(bytes, count);
    if (kept.size() > kKeptOutputBytes)
        kept.erase(0, kept.size() - kKeptOutputBytes);
}

// Reads what is there without waiting; false once the writer closed its end.
bool readAvailable(UniqueFd& fd, std::string& kept) {
    char buffer[4096];
    while (fd.valid()) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got > 0) {
            keepTail(kept, buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && (errno == EINTR))
            continue;
        if (got < 0 && errno == EAGAIN)
            return true;
        fd.reset();
    }
    return false;
}

std::string stagingNameFor(const std::string& output, std::size_t index) {
    const std::filesystem::path path(output);
    // The host keeps batches of machines that share the folder apart, as the pid does here.
    return (path.parent_path() /
            ("." + path.filename().string() + ".job" + std::to_string(getpid()) + "@" +
             leftoverHostName() + "-" + std::to_string(index) + ".mp4"))
        .string();
}

// A job killed before it could clean up leaves its video-to-be and the encoder's temporary
// file (named after it) behind.
void removeLeftovers(const std::string& staging) {
    std::error_code ec;
    const std::filesystem::path path(staging);
    std::filesystem::remove(path, ec);
    const std::string prefix = "." + path.filename().string() + ".";
    std::filesystem::directory_iterator entry(path.parent_path(), ec);
    for (; !ec && entry != std::filesystem::directory_iterator(); entry.increment(ec)) {
        std::error_code ignored;
        if (entry->path().filename().string().rfind(prefix, 0) == 0)
            std::filesystem::remove(entry->path(), ignored);
    }
}

bool spawnJob(const BatchSettings& settings, const std::vector<std::string>& arguments,
              RunningJob& job, std::string& error) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        error = std::string("cannot start the job: ") + std::strerror(errno);
        return false;
    }
    UniqueFd outRead(outPipe[0]), outWrite(outPipe[1]);
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        error = std::string("cannot start the job: ") + std::strerror(errno);
        return false;
    }
    UniqueFd errRead(errPipe[0]), errWrite(errPipe[1]);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errWrite.get(), STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // A group of its own: a Ctrl+C at the terminal reaches the batch alone, which passes it on
    // once, instead of every job and encoder taking it as a second, aborting press.
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, signal);
    sigset_t noMask;
    sigemptyset(&noMask);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &noMask);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETPGROUP);

    std::vector<std::string> texts{settings.program.string()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result =
        posix_spawn(&pid, settings.program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        error = std::string("cannot start the job: ") + std::strerror(result);
        return false;
    }
    ::fcntl(outRead.get(), F_SETFL, O_NONBLOCK);
    ::fcntl(errRead.get(), F_SETFL, O_NONBLOCK);
    job.pid = pid;
    job.out = std::move(outRead);
    job.err = std::move(errRead);
    job.started = Clock::now();
    return true;
}

int framesFromResult(const std::string& out, int& exitCode) {
    std::size_t at = out.rfind(kResultPrefix);
    if (at == std::string::npos || (at > 0 && out[at - 1] != '\n'))
        return -1;
    const std::string line = out.substr(at + std::strlen(kResultPrefix));
    JsonTree root(cJSON_Parse(line.c_str()));
    const cJSON* code = cJSON_GetObjectItem(root.get(), "exit");
    const cJSON* frames = cJSON_GetObjectItem(root.get(), "frames");
    if (!cJSON_IsNumber(code) || !cJSON_IsNumber(frames))
        return -1;
    exitCode = code->valueint;
    return frames->valueint;
}

// The job's reason for failing: the last message box it showed (its first line) and the
// last line it printed, which is often the detail behind the box.
std::string failureText(const std::string& err) {
    std::string box;
    std::string last;
    std::size_t from = 0;
    while (from < err.size()) {
        std::size_t end = err.find('\n', from);
        if (end == std::string::npos)
            end = err.size();
        std::string line = err.substr(from, end - from);
        from = end + 1;
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (line.rfind("velomira-render: ", 0) == 0)
            line.erase(0, 17);
        const std::size_t title = line.find("] ");
        if (line[0] == '[' && title != std::string::npos) {
            box = line.substr(title + 2);
            last.clear();
            continue;
        }
        last = line;
    }
    if (box.empty())
        return last;
    return last.empty() ? box : box + " (" + last + ")";
}

class BatchProgress {
  public:
    BatchProgress(const BatchSettings& settings, std::size_t total)
        : out_(settings.messages), total_(total),
          enabled_(!settings.quiet && out_ != nullptr && isatty(fileno(out_)) == 1),
          verbose_(!settings.quiet), start_(Clock::now()) {}

    void finished(const RowResult& row) {
        ++counts_[static_cast<int>(row.status)];
        if (row.status == RowStatus::Done)
            ++made_;
        if (!verbose_ && row.status != RowStatus::Failed && row.status != RowStatus::Locked)
            return;
        clear();
        if (row.status == RowStatus::Done) {
            std::fprintf(out_, "line %d done: %s (%d frames, %.1f s)\n", row.line,
                         shownText(row.output).c_str(), row.frames, row.seconds);
        } else {
            std::string what = row.output;
            if (!row.text.empty())
                what += (what.empty() ? "" : ": ") + row.text;
            // The job's own output and the batch file's names, never as control sequences.
            std::fprintf(out_, "line %d %s: %s\n", row.line, rowStatusName(row.status),
                         shownText(what).c_str());
        }
        std::fflush(out_);
    }

    void draw(std::size_t running) {
        if (!enabled_)
            return;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        const std::size_t settled = counts_[0] + counts_[1] + counts_[2] + counts_[3] + counts_[4];
        const std::size_t remaining = total_ - settled - running;
        char left[48] = "";
        if (made_ > 0) {
            const long seconds = static_cast<long>(elapsed / static_cast<double>(made_) *
                                                       static_cast<double>(running + remaining) +
                                                   0.5);
            std::snprintf(left, sizeof left, ", about %ld:%02ld left", seconds / 60, seconds % 60);
        }
        const long whole = static_cast<long>(elapsed);
        char line[256];
        std::snprintf(line, sizeof line,
                      "batch: %zu done, %zu skipped, %zu failed, %zu running, %zu to go; "
                      "%ld:%02ld%s",
                      counts_[0], counts_[1], counts_[2], running, remaining, whole / 60,
                      whole % 60, left);
        // Redrawn when it changes: the jobs' output wakes the loop many times a second.
        if (drawn_ && shown_ == line)
            return;
        shown_ = line;
        std::fprintf(out_, "\r%s\033[K", line);
        std::fflush(out_);
        drawn_ = true;
    }

    void clear() {
        if (!drawn_)
            return;
        std::fputs("\r\033[K", out_);
        drawn_ = false;
    }

    std::size_t count(RowStatus status) const { return counts_[static_cast<int>(status)]; }

  private:
    std::FILE* out_;
    std::size_t total_;
    bool enabled_;
    bool verbose_;
    bool drawn_ = false;
    std::string shown_;
    Clock::time_point start_;
    std::size_t counts_[5] = {0, 0, 0, 0, 0};
    std::size_t made_ = 0;
};

class BatchScheduler {
  public:
    BatchScheduler(const std::vector<BatchJob>& jobs, const BatchSettings& settings)
        : jobs_(jobs), settings_(settings), results_(jobs.size()),
          progress_(settings, jobs.size()) {
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            results_[i].line = jobs[i].line;
            results_[i].output = jobs[i].output;
        }
    }

    std::vector<RowResult> run(std::atomic<int>& signals, bool& stopped) {
        const std::size_t slots = static_cast<std::size_t>(std::max(1, settings_.jobs));
        std::size_t next = 0;
        int signalsSeen = 0;
        for (;;) {
            const int requested = signals.load();
            if (requested > signalsSeen) {
                signalsSeen = requested;
                for (const auto& job : running_) {
                    // First request: stop after the current picture; then end them now.
                    if (requested == 1)
                        ::kill(job->pid, SIGINT);
                    else
                        ::kill(-job->pid, SIGKILL);
                }
            }
            const bool stopping = signalsSeen > 0;
            while (!stopping && running_.size() < slots && next < jobs_.size())
                begin(next++);
            if (!stopping && running_.size() < slots && next >= jobs_.size())
                retryWaiting(slots);
            if (running_.empty() && (stopping || (next >= jobs_.size() && waiting_.empty())))
                break;
            progress_.draw(running_.size());
            waitForOutput();
            reap(stopping);
        }
        for (; next < jobs_.size(); ++next)
            waiting_.push_back(next);
        for (std::size_t slot : waiting_) {
            results_[slot].status = RowStatus::Stopped;
            results_[slot].text = "not started: the batch was stopped";
        }
        progress_.clear();
        stopped = signalsSeen > 0;
        return results_;
    }

  private:
    void settle(std::size_t slot, RowStatus status, const std::string& text) {
        RowResult& row = results_[slot];
        row.status = status;
        row.text = text;
        progress_.finished(row);
    }

    void begin(std::size_t slot) {
        const BatchJob& job = jobs_[slot];
        if (!job.error.empty()) {
            settle(slot, RowStatus::Failed, job.error);
            return;
        }
        std::error_code ec;
        if (!settings_.force && std::filesystem::exists(job.output, ec)) {
            // A batch killed just after a video was made leaves its lock behind.
            if (std::filesystem::exists(lockPathFor(job.output), ec)) {
                OutputLock stale;
                std::string ignored;
                stale.acquire(job.output, ignored);
            }
            settle(slot, RowStatus::Skipped, "already made");
            return;
        }
        const std::filesystem::path folder = std::filesystem::path(job.output).parent_path();
        std::error_code made;
        std::filesystem::create_directories(folder, made);
        if (!std::filesystem::is_directory(folder, ec)) {
            settle(slot, RowStatus::Failed,
                   "cannot create the folder " + folder.string() + ": " +
                       (made ? made : ec).message());
            return;
        }
        auto running = std::make_unique<RunningJob>();
        running->slot = slot;
        std::string text;
        switch (running->lock.acquire(job.output, text)) {
        case LockState::Held:
            break;
        case LockState::Busy:
            settle(slot, RowStatus::Locked, text);
            return;
        case LockState::BusyHere:
            // Another batch of this machine is making it: tried again once a slot is free.
            waiting_.push_back(slot);
            return;
        case LockState::Failed:
            settle(slot, RowStatus::Failed, text);
            return;
        }
        // Another batch may have finished it while we waited for the lock.
        if (!settings_.force && std::filesystem::exists(job.output, ec)) {
            settle(slot, RowStatus::Skipped, "already made");
            return;
        }
        running->staging = stagingNameFor(job.output, static_cast<std::size_t>(job.index));
        std::vector<std::string> arguments = job.arguments;
        arguments.insert(arguments.end(), {"-o", running->staging, "--job-final", job.output,
                                           "--job-parent", std::to_string(getpid())});
        if (!spawnJob(settings_, arguments, *running, text)) {
            settle(slot, RowStatus::Failed, text);
            return;
        }
        running_.push_back(std::move(running));
    }

    void retryWaiting(std::size_t slots) {
        std::vector<std::size_t> again;
        again.swap(waiting_);
        for (std::size_t i = 0; i < again.size(); ++i) {
            if (running_.size() < slots)
                begin(again[i]);
            else
                waiting_.push_back(again[i]);
        }
    }

    void waitForOutput() {
        std::vector<pollfd> fds;
        for (const auto& job : running_) {
            if (job->out.valid())
                fds.push_back({job->out.get(), POLLIN, 0});
            if (job->err.valid())
                fds.push_back({job->err.get(), POLLIN, 0});
        }
        if (fds.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        else
            ::poll(fds.data(), fds.size(), 200);
        for (const auto& job : running_) {
            readAvailable(job->out, job->outText);
            readAvailable(job->err, job->errText);
        }
    }

    void reap(bool stopping) {
        for (auto it = running_.begin(); it != running_.end();) {
            RunningJob& job = **it;
            int status = 0;
            rusage usage{};
            const pid_t got = ::wait4(job.pid, &status, WNOHANG, &usage);
            if (got == 0 || (got < 0 && errno == EINTR)) {
                ++it;
                continue;
            }
            job.collected = true;
            // The pipes hold the last words even after the job ended.
            readAvailable(job.out, job.outText);
            readAvailable(job.err, job.errText);
            RowResult& row = results_[job.slot];
            row.seconds = std::chrono::duration<double>(Clock::now() - job.started).count();
            row.memoryKb = usage.ru_maxrss;
            int reported = -1;
            const int frames = framesFromResult(job.outText, reported);
            const std::string message = failureText(job.errText);
            if (got < 0) {
                settle(job.slot, RowStatus::Failed, "the job could not be waited for");
            } else if (WIFSIGNALED(status)) {
                removeLeftovers(job.staging);
                const int number = WTERMSIG(status);
                if (stopping && number == SIGKILL)
                    settle(job.slot, RowStatus::Stopped, "ended by the stop");
                else
                    settle(job.slot, RowStatus::Failed,
                           std::string("the job ended by signal ") + strsignal(number) +
                               (message.empty() ? "" : ": " + message));
            } else if (WEXITSTATUS(status) == 0 && reported == 0 && frames >= 0) {
                row.frames = frames;
                settle(job.slot, RowStatus::Done, "");
            } else if (WEXITSTATUS(status) == 130) {
                removeLeftovers(job.staging);
                settle(job.slot, RowStatus::Stopped, "stopped");
            } else {
                removeLeftovers(job.staging);
                settle(job.slot, RowStatus::Failed,
                       message.empty()
                           ? "the job ended with exit code " + std::to_string(WEXITSTATUS(status))
                           : message);
            }
            it = running_.erase(it); // releases the lock
        }
    }

    const std::vector<BatchJob>& jobs_;
    const BatchSettings& settings_;
    std::vector<RowResult> results_;
    BatchProgress progress_;
    std::vector<std::unique_ptr<RunningJob>> running_;
    std::vector<std::size_t> waiting_; // rows whose lock a running batch here holds
};

std::atomic<int> batchSignals{0};

void onBatchSignal(int) {
    if (batchSignals.fetch_add(1) == 0) {
        static const char note[] =
            "\nstopping the batch after the current pictures (again to end the jobs now)\n";
        ssize_t ignored = write(STDERR_FILENO, note, sizeof note - 1);
        (void)ignored;
    }
}

} // namespace

std::string jobResultLine(int exitCode, int frames) {
    return std::string(kResultPrefix) + "{\"exit\":" + std::to_string(exitCode) +
           ",\"frames\":" + std::to_string(frames) + "}\n";
}

std::vector<RowResult> runBatchJobs(const std::vector<BatchJob>& jobs,
                                    const BatchSettings& settings, std::atomic<int>& signals,
                                    bool& stopped) {
    BatchScheduler scheduler(jobs, settings);
    return scheduler.run(signals, stopped);
}

int runBatch(const RenderOptions& options, const std::vector<std::string>& args) {
    const std::string batchPath = absolutePath(options.batchFile);
    const BatchFile file = readBatchFile(batchPath);
    const BatchPlan plan =
        planBatch(file, rowDefaultArguments(args), std::filesystem::path(batchPath).parent_path(),
                  options.shardIndex, options.shardCount);
    if (!plan.error.empty()) {
        std::fprintf(stderr, "velomira-render: %s\n", shownText(plan.error).c_str());
        return 3;
    }
    const std::string report = options.reportFile.empty() ? "" : absolutePath(options.reportFile);
    if (const std::string refusal = batchOutputRefusal(batchPath, plan, report); !refusal.empty()) {
        std::fprintf(stderr, "velomira-render: %s\n", shownText(refusal).c_str());
        return 1;
    }
    std::error_code ec;
    if (!options.reportFile.empty()) {
        // Found out now, not after hours of videos.
        const std::filesystem::path folder =
            std::filesystem::path(absolutePath(options.reportFile)).parent_path();
        if (!std::filesystem::is_directory(folder, ec)) {
            std::fprintf(stderr, "velomira-render: no folder %s for the report\n",
                         shownText(folder.string()).c_str());
            return 3;
        }
        std::string error;
        if (!checkReportWritable(absolutePath(options.reportFile), error)) {
            std::fprintf(stderr, "velomira-render: %s\n", shownText(error).c_str());
            return 3;
        }
    }
    BatchSettings settings;
    settings.program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        std::fprintf(stderr, "velomira-render: cannot find the program itself: %s\n",
                     ec.message().c_str());
        return 3;
    }
    const unsigned processors = std::thread::hardware_concurrency();
    settings.jobs = options.jobs > 0 ? options.jobs : std::max(1, static_cast<int>(processors / 2));
    settings.force = options.force;
    settings.quiet = options.quiet;

    struct sigaction action {};
    action.sa_handler = onBatchSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    bool stopped = false;
    const std::vector<RowResult> results = runBatchJobs(plan.jobs, settings, batchSignals, stopped);
    int code = batchExitCode(results, stopped);
    if (!options.reportFile.empty()) {
        std::string error;
        if (!writeBatchReport(absolutePath(options.reportFile), results, error)) {
            std::fprintf(stderr, "velomira-render: %s\n", shownText(error).c_str());
            code = code == 0 ? 2 : code;
        }
    }
    if (!options.quiet) {
        std::size_t counts[5] = {0, 0, 0, 0, 0};
        for (const RowResult& row : results)
            ++counts[static_cast<int>(row.status)];
        const std::string locked =
            counts[4] > 0 ? ", " + std::to_string(counts[4]) + " locked by another process" : "";
        std::fprintf(stderr, "batch: %zu done, %zu skipped, %zu failed, %zu stopped%s\n", counts[0],
                     counts[1], counts[2], counts[3], locked.c_str());
    }
    return code;
}

} // namespace velomira
