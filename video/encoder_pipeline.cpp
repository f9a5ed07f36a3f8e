#include "video/encoder_pipeline.h"

#include "app/printable_text.h"
#include "platform/unique_fd.h"
#include "video/child_process.h"
#include "video/encoder_args.h"
#include "video/encoder_progress.h"
#include "video/music_links.h"
#include "video/pipe_sink.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velomira {

const char* const kEncoderUnknownFailureMessage =
    "生成视频时发生错误，可能是电脑当前可用内存不足造成的。\n\n"
    "可以通过关闭部分其他软件窗口释放内存来解决这个问题，也可以进入官网联系我们的客服。";

std::string encoderFailureMessage(const std::string& encoderText) {
    // The advice points at what can go wrong on this system: a full disk, a folder the user
    // may not write to, and the encoder's own words above it.
    return "生成视频时发生错误：\n\n" + encoderText +
           "\n\n请检查：\n\n1. 保存视频的磁盘是否还有足够的可用空间。\n2. "
           "当前用户是否有权限写入保存视频的文件夹。\n3. "
           "上面编码器给出的错误信息所指出的问题。";
}

namespace {

constexpr const char* kJobSource = "thread_make_video";
constexpr const char* kNamedSource = "thread_run_ffmpeg_by_named_pipe";
constexpr const char* kAnonymousSource = "thread_run_ffmpeg_by_anonymous_pipe";
constexpr const char* kUnknownError = "未知错误";
constexpr const char* kErrorCaption = "错误";
constexpr int kNameDraws = 2000;      // bounded, so a folder full of old files cannot hang a run
constexpr int kInterruptedExit = 255; // the encoder's status after it finished on SIGINT

// A file this run made in the work folder, removed when the run ends.
class ScopedFile {
  public:
    ScopedFile() = default;
    ~ScopedFile() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    void adopt(std::filesystem::path path) { path_ = std::move(path); }

  private:
    std::filesystem::path path_;
};

std::string failedWithError(const char* what, int error) {
    return std::string(what) + " failed with error " + std::to_string(error);
}

// Cuts a character that the 4096-byte limit split in two.
std::string completeUtf8(std::string text) {
    std::size_t start = text.size();
    for (int back = 0; back < 4 && start > 0; ++back) {
        const unsigned char c = static_cast<unsigned char>(text[start - 1]);
        --start;
        if ((c & 0xC0) != 0x80) {
            const std::size_t need = c < 0x80             ? 1
                                     : (c & 0xE0) == 0xC0 ? 2
                                     : (c & 0xF0) == 0xE0 ? 3
                                                          : 4;
            if (text.size() - start < need)
                text.resize(start);
            break;
        }
    }
    return text;
}

std::mt19937 seededRandom() {
    std::random_device device;
    const auto thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
    std::seed_seq seed{
        device(), device(), static_cast<unsigned>(thread),
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
    return std::mt19937(seed);
}

// Copies the logo byte for byte under a new "temp_N.ext" name; O_EXCL both draws again on an
// existing name and keeps two runs from sharing one.
bool makeLogoCopy(const std::filesystem::path& folder, const std::string& logoPath,
                  std::mt19937& random, std::string& copyName, ScopedFile& guard) {
    UniqueFd source(::open(logoPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source.valid())
        return false;
    for (int draw = 0; draw < kNameDraws; ++draw) {
        const std::string name = logoCopyName(logoPath, drawLogoCopyNumber(random));
        const std::filesystem::path target = folder / name;
        UniqueFd copy(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!copy.valid()) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        guard.adopt(target);
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(source.get(), buffer, sizeof buffer);
            if (got == 0)
                break;
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            for (ssize_t done = 0; done < got;) {
                const ssize_t wrote = ::write(copy.get(), buffer + done, got - done);
                if (wrote < 0 && errno != EINTR)
                    return false;
                if (wrote > 0)
                    done += wrote;
            }
        }
        if (!copy.close())
            return false;
        copyName = name;
        return true;
    }
    return false;
}

// Makes the FIFO "v<n>" (n in 1..1000) in the folder; 0 or the errno of the failure.
int makeFifo(const std::filesystem::path& folder, std::mt19937& random,
             std::filesystem::path& fifoPath, ScopedFile& guard) {
    std::uniform_int_distribution<int> number(1, 1000);
    for (int draw = 0; draw < kNameDraws; ++draw) {
        const std::filesystem::path path = folder / ("v" + std::to_string(number(random)));
        if (::mkfifo(path.c_str(), 0600) == 0) {
            guard.adopt(path);
            fifoPath = path;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// Waits until the encoder opens the FIFO for reading. Opening without blocking fails while
// there is no reader, so the wait can also end when the encoder has died, the run was
// stopped, or the limit passed. Returns the descriptor in blocking mode, or sets error.
UniqueFd connectFifo(const std::filesystem::path& fifoPath, ChildProcess& encoder,
                     const std::atomic<bool>& stop, std::chrono::milliseconds limit, int& error) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        UniqueFd fd(::open(fifoPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (fd.valid()) {
            const int flags = ::fcntl(fd.get(), F_GETFL);
            if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
                error = errno;
                return UniqueFd();
            }
            return fd;
        }
        if (errno != ENXIO && errno != EINTR) {
            error = errno;
            return UniqueFd();
        }
        if (encoder.hasEnded()) {
            error = EPIPE;
            return UniqueFd();
        }
        if (stop) {
            error = ECANCELED;
            return UniqueFd();
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = ETIMEDOUT;
            return UniqueFd();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Raw frames are some ten times the size of JPEG ones. The queue still holds a transition's
// worth of them, so the renderer keeps working ahead while the encoder takes the held frames
// of a picture; the bound stays fixed, whatever the album's length. A frame of 4K and more
// takes the encoder many times longer than the renderer, so a few queued frames keep it busy
// and more would only hold memory.
std::size_t queuedByteBudget(const EncoderCommandInput& input) {
    constexpr std::size_t kLargeFrameBytes = 8u << 20;
    constexpr std::size_t kLargeFramesQueued = 3;
    const std::size_t frame = rawFrameBytes(input.frameFormat, input.width, input.height);
    if (frame >= kLargeFrameBytes)
        return kLargeFramesQueued * frame;
    return std::clamp<std::size_t>(32 * frame, kQueuedByteBudget, 4 * kQueuedByteBudget);
}

enum class KillReason { None, Stop, Stall };

std::uint64_t fileBytes(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

struct FeedResult {
    ChildExit exit;
    KillReason killed = KillReason::None;
    bool interrupted = false; // asked to finish early after a stop
    std::uint64_t framesDelivered = 0;
};

struct Limits {
    std::chrono::milliseconds stopGrace;
    std::chrono::milliseconds stallLimit;
    std::chrono::milliseconds stopDelivery;
    std::chrono::milliseconds stopTail;
    const std::function<std::uint64_t(std::uint64_t)>* stopFrameLimit;
    const std::function<void(std::uint64_t)>* framesTaken;
    std::filesystem::path progressReport; // empty: none asked for
};

// What the watcher and the frame loop share.
struct FeedWatch {
    ChildProcess& encoder;
    PipeSink& sink;
    const std::atomic<bool>& stop;
    const Limits& limits;
    const std::string& outputPath;
    std::atomic<bool> finished{false};
    std::atomic<bool> inputClosed{false};
    std::atomic<KillReason> killed{KillReason::None};
    std::atomic<bool> interrupted{false};
};

// After a stop: the frames beyond the current picture's are dropped at once (when the request
// knows where pictures end), the rest after the delivery time. Once the input has ended, an
// encoder whose output (its soundtrack: the frames' stream cannot run past them) has passed the
// last frame is asked to finish the file there; so is one still busy after the tail time.
void windDown(FeedWatch& watch, std::chrono::steady_clock::duration sinceStop, bool closed,
              std::chrono::steady_clock::duration sinceClosed, bool& limited, bool& cut) {
    if (!limited) {
        limited = true;
        const auto* limit = watch.limits.stopFrameLimit;
        if (limit != nullptr && *limit)
            watch.sink.limitFrames((*limit)(watch.sink.framesWritten()));
    }
    if (!cut && sinceStop > watch.limits.stopDelivery) {
        cut = true;
        watch.sink.limitFrames(0);
    }
    if (!closed || watch.interrupted)
        return;
    const std::int64_t lastFrameEnd =
        static_cast<std::int64_t>(watch.sink.framesWritten()) * (1000000 / frameRate);
    const Limits& limits = watch.limits;
    std::optional<std::int64_t> reached;
    if (!limits.progressReport.empty())
        reached = reportedOutputTime(limits.progressReport);
    if ((reached && *reached >= lastFrameEnd) || sinceClosed > limits.stopTail) {
        watch.interrupted = true;
        watch.encoder.interrupt();
    }
}

// Kills an encoder that neither reads nor ends within the grace time after a stop, or that
// leaves a frame (or the end of its input) unanswered for the stall limit.
void watchEncoder(FeedWatch& watch) {
    using Clock = std::chrono::steady_clock;
    PipeSink& sink = watch.sink;
    std::uint64_t lastProgress = sink.progress();
    Clock::time_point lastChange = Clock::now();
    Clock::time_point stopAt, closedAt;
    bool stopSeen = false, waitingSeen = false, closedSeen = false, limited = false, cut = false;
    const auto* framesTaken = watch.limits.framesTaken;
    const bool reporting = framesTaken != nullptr && *framesTaken;
    std::uint64_t lastTaken = 0;
    if (reporting)
        (*framesTaken)(0);
    while (!watch.finished && !watch.encoder.hasEnded()) {
        const auto now = Clock::now();
        if (const std::uint64_t taken = sink.framesWritten(); reporting && taken != lastTaken) {
            lastTaken = taken;
            (*framesTaken)(taken);
        }
        // A growing output file is progress too: after the end of its input the encoder
        // may still be writing the music up to the album's length.
        const std::uint64_t progress = sink.progress() + fileBytes(watch.outputPath);
        // The stall clock starts when the encoder is first waited for, not when the last
        // frame went out: the renderer may have taken its time to make the next one.
        const bool waiting = sink.writing() || watch.inputClosed;
        if (progress != lastProgress || (watch.stop && !stopSeen) || (waiting && !waitingSeen)) {
            lastProgress = progress;
            lastChange = now;
            if (watch.stop && !stopSeen)
                stopAt = now;
            stopSeen = watch.stop;
        }
        waitingSeen = waiting;
        if (watch.inputClosed && !closedSeen) {
            closedSeen = true;
            closedAt = now;
        }
        if (stopSeen)
            windDown(watch, now - stopAt, closedSeen, now - closedAt, limited, cut);
        const KillReason reason =
            stopSeen && now - lastChange > watch.limits.stopGrace   ? KillReason::Stop
            : waiting && now - lastChange > watch.limits.stallLimit ? KillReason::Stall
                                                                    : KillReason::None;
        if (reason != KillReason::None) {
            watch.killed = reason;
            watch.encoder.kill();
            sink.abort();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Runs the frame loop into the pipe, gives the encoder the end of its input and waits for it,
// with a watcher beside it.
FeedResult feedEncoder(ChildProcess& encoder, UniqueFd pipe, const std::atomic<bool>& stop,
                       const Limits& limits, const std::function<void(FrameSink&)>& renderFrames,
                       std::size_t queuedBytes, const std::string& outputPath) {
    PipeSink sink(std::move(pipe), kDefaultQueuedFrames, queuedBytes);
    FeedWatch watch{encoder, sink, stop, limits, outputPath};
    std::thread watcher([&] { watchEncoder(watch); });
    // Joins the watcher on every path, also when the frame loop throws.
    struct WatcherJoin {
        std::atomic<bool>& finished;
        std::thread& watcher;
        void finish() {
            finished = true;
            if (watcher.joinable())
                watcher.join();
        }
        ~WatcherJoin() { finish(); }
    } join{watch.finished, watcher};
    renderFrames(sink);
    sink.close();
    watch.inputClosed = true;
    FeedResult result;
    result.exit = encoder.wait();
    join.finish();
    result.killed = watch.killed;
    result.interrupted = watch.interrupted;
    result.framesDelivered = sink.framesWritten();
    return result;
}

enum class AttemptEnd { Succeeded, Stopped, Failed };

struct Attempt {
    AttemptEnd end = AttemptEnd::Failed;
    std::string text;    // the failure's text
    bool killed = false; // the encoder had to be killed: no fall-back, the run fails
    // The text is the encoder's own account, shown inside the failure message's advice.
    bool fromEncoder = false;
};

std::string seconds(std::chrono::milliseconds limit) {
    return std::to_string((limit.count() + 999) / 1000);
}

// Common judgement of an encoder that has ended.
Attempt judgeExit(const FeedResult& feed, ChildProcess& encoder, const std::atomic<bool>& stop,
                  const Limits& limits) {
    // The encoder's own words come first, shown as text whatever bytes it wrote.
    std::string text = printableText(completeUtf8(encoder.errorOutput()));
    switch (feed.killed) {
    case KillReason::Stop:
        return {AttemptEnd::Failed,
                "停止后编码器在 " + seconds(limits.stopGrace) +
                    " 秒内没有结束，已被强制结束；未完成的视频已删除，原有的文件保持不变。",
                true};
    case KillReason::Stall:
        if (!text.empty())
            text += "\n";
        return {AttemptEnd::Failed,
                text + "编码器在 " + seconds(limits.stallLimit) +
                    " 秒内没有读取任何数据，已被强制结束。",
                false, true};
    case KillReason::None:
        break;
    }
    if (feed.exit.readable && feed.exit.code == 0)
        return {stop ? AttemptEnd::Stopped : AttemptEnd::Succeeded, {}};
    // Asked to finish early, the encoder ends with its interrupted status on a whole file.
    if (feed.interrupted && stop && feed.exit.readable && feed.exit.code == kInterruptedExit)
        return {AttemptEnd::Stopped, {}};
    if (feed.exit.readable && feed.exit.code == 128 + SIGXFSZ) {
        // The system ended the encoder for the file's size; nothing of memory about it.
        if (!text.empty())
            text += "\n";
        text += "视频文件超过了系统允许的文件大小上限（ulimit -f），编码器已被系统结束。";
    }
    if (text.empty())
        text = kUnknownError;
    return {AttemptEnd::Failed, text, false, true};
}

struct AttemptContext {
    const EncoderRequest& request;
    const EncoderCommandInput& input;
    std::filesystem::path workingFolder;
    std::atomic<bool>& stop;
    const std::function<void(FrameSink&)>& renderFrames;
    std::mt19937& random;
    EncoderRunResult& result;
    std::filesystem::path progressReport; // empty: none asked for
};

Failure failureToShow(const Attempt& attempt) {
    std::string text = attempt.text;
    if (attempt.fromEncoder)
        text = text == kUnknownError ? std::string(kEncoderUnknownFailureMessage)
                                     : encoderFailureMessage(text);
    return {text, kErrorCaption, MessageKind::Error};
}

// Every failed attempt ends here: the failure goes to the error log under source. The last
// attempt's failure (the anonymous pipe's, or a killed encoder's, which is not started again)
// is the run's failure to show, and it ends the run; an earlier one falls back silently.
Attempt failAttempt(AttemptContext& context, Attempt attempt, const char* source, bool last) {
    reportError(context.request.errorLog, source, attempt.text);
    if (last || attempt.killed) {
        context.result.failure = failureToShow(attempt);
        context.stop = true;
    }
    return attempt;
}

// Feeds the started encoder through the pipe and judges how it ended.
Attempt feedAndJudge(AttemptContext& context, ChildProcess& encoder, UniqueFd pipe,
                     const char* source, bool last) {
    const EncoderRequest& request = context.request;
    const Limits limits{request.stopGrace,     request.stallLimit,      request.stopDelivery,
                        request.stopTail,      &request.stopFrameLimit, &request.framesTaken,
                        context.progressReport};
    const FeedResult feed =
        feedEncoder(encoder, std::move(pipe), context.stop, limits, context.renderFrames,
                    queuedByteBudget(context.input), request.outputPath);
    context.result.framesDelivered = feed.framesDelivered;
    const Attempt attempt = judgeExit(feed, encoder, context.stop, limits);
    if (attempt.end != AttemptEnd::Failed)
        return attempt;
    return failAttempt(context, attempt, source, last);
}

Attempt failedWith(std::string text) {
    return {AttemptEnd::Failed, std::move(text)};
}

// The FIFO attempt. A failure is only reported: the caller falls back silently.
Attempt namedPipeAttempt(AttemptContext& context) {
    const EncoderRequest& request = context.request;
    ScopedFile fifoGuard;
    std::filesystem::path fifoPath;
    if (const int error = makeFifo(request.workFolder, context.random, fifoPath, fifoGuard)) {
        return failAttempt(context, failedWith(failedWithError("CreateNamedPipe", error)),
                           kJobSource, false);
    }
    const CommandLine command = withProgressReport(
        namedPipeCommand(context.input, fifoPath.string()), context.progressReport.string());
    context.result.commandLines.push_back(command.text);
    ++context.result.attempts;

    ChildProcess encoder;
    StartFailure failure;
    if (!encoder.start({request.encoderPath, command.arguments, context.workingFolder, -1},
                       failure)) {
        const std::string text = failure.stage == StartStage::ErrorPipe
                                     ? failedWithError("CreatePipe@3", failure.error)
                                     : failedWithError("CreateProcess()", failure.error);
        return failAttempt(context, failedWith(text), kNamedSource, false);
    }
    int error = 0;
    UniqueFd pipe = connectFifo(fifoPath, encoder, context.stop, request.connectLimit, error);
    if (!pipe.valid()) {
        encoder.kill();
        encoder.wait();
        if (context.stop)
            return {AttemptEnd::Stopped, {}};
        return failAttempt(context, failedWith(failedWithError("ConnectNamedPipe", error)),
                           kJobSource, false);
    }
    Attempt attempt = feedAndJudge(context, encoder, std::move(pipe), kNamedSource, false);
    // A stopped run is not started again, whatever the encoder said; but a killed encoder
    // left no video to keep.
    if (attempt.end == AttemptEnd::Failed && context.stop && !attempt.killed)
        attempt.end = AttemptEnd::Stopped;
    return attempt;
}

Attempt anonymousPipeAttempt(AttemptContext& context) {
    const EncoderRequest& request = context.request;
    const CommandLine command =
        withProgressReport(anonymousPipeCommand(context.input), context.progressReport.string());
    context.result.commandLines.push_back(command.text);
    ++context.result.attempts;

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return failAttempt(context, failedWith(failedWithError("CreatePipe@1", errno)), kJobSource,
                           true);
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd(ends[1]);
    ChildProcess encoder;
    StartFailure failure;
    if (!encoder.start(
            {request.encoderPath, command.arguments, context.workingFolder, readEnd.get()},
            failure)) {
        const std::string text = failure.stage == StartStage::ErrorPipe
                                     ? failedWithError("CreatePipe@2", failure.error)
                                     : failedWithError("CreateProcess()", failure.error);
        return failAttempt(context, failedWith(text), kJobSource, true);
    }
    // Only the encoder may hold the read end, or a dead encoder would go unnoticed.
    readEnd.reset();
    return feedAndJudge(context, encoder, std::move(writeEnd), kAnonymousSource, true);
}

} // namespace

EncoderRunResult runEncoderJob(EncoderState& state, const EncoderRequest& request,
                               std::atomic<bool>& stop,
                               const std::function<void(FrameSink&)>& renderFrames,
                               const std::function<void()>& afterDone) {
    EncoderRunResult result;
    if (request.project == nullptr) {
        result.errorText = "no album";
        return result;
    }
    ignoreBrokenPipeSignal();
    std::mt19937 random = seededRandom();
    const VideoSettings& settings = request.project->settings;

    ScopedFile logoGuard;
    std::string copyName;
    std::filesystem::path workingFolder;
    if (settings.logo && !settings.logoPath.empty()) {
        if (!makeLogoCopy(request.workFolder, settings.logoPath, random, copyName, logoGuard)) {
            result.errorText = "无法创建图标文件的副本";
            result.failure = Failure{result.errorText, kErrorCaption, MessageKind::Error};
            return result;
        }
        // The filter names the copy without a folder.
        workingFolder = request.workFolder;
    }
    EncoderCommandInput input =
        encoderCommandInput(*request.project, request.durationText, request.outputPath, copyName);
    input.frameFormat = request.frameFormat;
    startMusicAt(input, *request.project, request.audioStartSeconds);
    if (input.musicGraph)
        input.musicGraph->measured = request.musicLoudness;
    MusicTrackNames trackNames;
    if (!trackNames.prepare(request.workFolder, input.musicPaths, random)) {
        result.errorText = "无法为背景音乐文件创建链接";
        result.failure = Failure{result.errorText, kErrorCaption, MessageKind::Error};
        return result;
    }
    // With music, the report tells a stopped run when the soundtrack has reached the last frame.
    EncoderProgressFile progress;
    if (!input.musicPaths.empty() && !progress.create(request.workFolder, random)) {
        result.errorText = "无法在工作文件夹中创建编码进度文件";
        result.failure = Failure{result.errorText, kErrorCaption, MessageKind::Error};
        return result;
    }
    input.rate = request.rate;
    AttemptContext context{request,      input,  workingFolder, stop,
                           renderFrames, random, result,        progress.path()};

    Attempt attempt;
    if (state.pipeMode == kNamedPipeMode) {
        attempt = namedPipeAttempt(context);
        // A stopped attempt keeps the text when the encoder had failed all the same.
        if (attempt.end == AttemptEnd::Failed ||
            (attempt.end == AttemptEnd::Stopped && !attempt.text.empty())) {
            state.pipeMode = kAnonymousPipeMode;
        }
        // Killed after a stop, there is nothing to start again.
        if (attempt.end == AttemptEnd::Failed && !attempt.killed)
            attempt = anonymousPipeAttempt(context);
    } else {
        attempt = anonymousPipeAttempt(context);
    }

    switch (attempt.end) {
    case AttemptEnd::Succeeded:
        if (afterDone)
            afterDone();
        result.outcome = EncoderOutcome::Done;
        break;
    case AttemptEnd::Stopped:
        result.outcome = EncoderOutcome::Stopped;
        break;
    case AttemptEnd::Failed:
        result.outcome = EncoderOutcome::Failed;
        result.errorText = attempt.text;
        break;
    }
    return result;
}

} // namespace velomira
