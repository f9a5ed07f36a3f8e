#pragma once
// The preview without a toolkit: a worker renders the album into the preview queue exactly as
// for a video, a display thread shows the frames at 25 frames per second after a buffering wait
// that depends on the processor count, waits for a refill when the renderer falls behind, and
// drives the background music through cues that the window turns into its commands. Time comes from
// an injectable clock so the timing is testable without waiting.
#include "platform/failure.h"
#include "render/frame_sink.h"
#include "services/preview_queue.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace velomira {

// The display's sense of time. sleepMs may return early once interrupt() was called, until
// rearm(); a closed preview must not sit out a half-second wait.
class PreviewClock {
  public:
    virtual ~PreviewClock() = default;
    virtual double nowMs() = 0;
    virtual void sleepMs(double ms) = 0;
    virtual void interrupt() {}
    virtual void rearm() {}
};

// Real time on the steady clock.
class SteadyPreviewClock final : public PreviewClock {
  public:
    double nowMs() override;
    void sleepMs(double ms) override;
    void interrupt() override;
    void rearm() override;

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
};

enum class StockPicture { Blank, Waiting, End };

// What the display asks of the background music.
enum class PreviewMusicCue { Play, Pause, Resume, Stop };

// The preview window as the display thread sees it. Both calls come from the display thread and
// must not wait for the window's thread.
class PreviewScreen {
  public:
    virtual ~PreviewScreen() = default;
    // Decodes a JPEG frame and makes it the picture on screen.
    virtual void showFrame(const unsigned char* bytes, std::size_t length) = 0;
    virtual void showStockPicture(StockPicture picture) = 0;
};

// Buffering before the first frame and when the queue ran dry, in half-seconds, by the number
// of processors (a slow machine buffers longer).
struct PreviewBuffering {
    int startHalfSeconds = 0;
    int refillHalfSeconds = 0;
};
PreviewBuffering previewBuffering(unsigned processors);

// One preview run: renders the album into the sink until it is done or stop is set.
struct PreviewRun {
    std::function<void(FrameSink& sink, const std::atomic<bool>& stop)> render;
    int videoWidth = 0; // below 264 the blank picture replaces the waiting picture while playing
};

struct PreviewEngineServices {
    PreviewScreen* screen = nullptr;
    PreviewClock* clock = nullptr;
    // Music cues for the window's thread; called from the display thread, so it must only
    // post them.
    std::function<void(PreviewMusicCue)> sendMusicCue;
    unsigned processors = 1;
    PreviewQueueLimits queueLimits;
};

// Whether a run started; a thread that could not be started comes back as the failure to show.
struct PreviewStart {
    bool started = false;
    std::optional<Failure> failure;
    explicit operator bool() const { return started; }
};

class PreviewEngine {
  public:
    // Gets the failure of a display thread that could not be started, if any.
    using FinishedCallback = std::function<void(const std::optional<Failure>&)>;

    explicit PreviewEngine(PreviewEngineServices services);
    ~PreviewEngine(); // closes a running preview and waits for its threads
    PreviewEngine(const PreviewEngine&) = delete;
    PreviewEngine& operator=(const PreviewEngine&) = delete;

    // Starts a run unless one is playing or a closed one is still finishing its picture.
    // onFinished runs on the worker thread when both threads are done. Not started when refused
    // or when a thread could not be started (with the failure "启动线程失败").
    PreviewStart start(PreviewRun run, FinishedCallback onFinished = nullptr);
    // The window was closed: a running preview stops (state 0); the renderer finishes the
    // current picture without storing and the display ends at once. Does not wait.
    void close();
    // Waits until the threads of the last run have ended.
    void wait();

    PreviewState state() const { return state_.load(); }
    // True from start() until both threads of the run have ended.
    bool busy() const { return busy_.load(); }
    const PreviewQueue& queue() const { return queue_; }
    // The renderer of the current run has finished.
    bool renderDone() const { return renderDone_.load(); }
    // Refill waits of the last run.
    int refillWaits() const { return refillWaits_.load(); }

  private:
    void workerMain(PreviewRun run, FinishedCallback onFinished);
    void displayMain(int videoWidth);
    bool waitHalfSeconds(int count);
    void send(PreviewMusicCue cue);

    PreviewEngineServices services_;
    PreviewQueue queue_;
    std::atomic<PreviewState> state_{PreviewState::Stopped};
    std::atomic<bool> stop_{false};
    std::atomic<bool> renderDone_{false};
    std::atomic<bool> busy_{false};
    std::atomic<int> refillWaits_{0};
    std::thread worker_;
};

} // namespace velomira
