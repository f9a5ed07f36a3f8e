#include "services/preview_engine.h"

#include "platform/thread_priority.h"

#include <chrono>
#include <system_error>

namespace velomira {

namespace {

constexpr double kFrameMs = 40.0;
constexpr double kHalfSecondMs = 500.0;
// The waiting picture is 264 pixels wide; a narrower video plays on the blank picture.
constexpr int kWaitingPictureWidth = 264;

Failure threadFailure() {
    return {"启动线程失败", "Velomira", MessageKind::Error};
}

} // namespace

double SteadyPreviewClock::nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void SteadyPreviewClock::sleepMs(double ms) {
    if (ms <= 0)
        return;
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::duration<double, std::milli>(ms),
                   [this] { return interrupted_; });
}

void SteadyPreviewClock::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    wake_.notify_all();
}

void SteadyPreviewClock::rearm() {
    std::lock_guard lock(mutex_);
    interrupted_ = false;
}

PreviewBuffering previewBuffering(unsigned processors) {
    switch (processors) {
    case 1:
        return {10, 18};
    case 2:
        return {8, 14};
    case 3:
        return {6, 10};
    case 4:
        return {4, 6};
    default:
        return {2, 4};
    }
}

PreviewEngine::PreviewEngine(PreviewEngineServices services)
    : services_(std::move(services)), queue_(services_.queueLimits) {}

PreviewEngine::~PreviewEngine() {
    close();
    wait();
}

PreviewStart PreviewEngine::start(PreviewRun run, FinishedCallback onFinished) {
    if (state_.load() == PreviewState::Running)
        return {};
    // A finished run's threads are at their last steps; a closed one may still be rendering
    // the picture it was in, and a new run must not overlap it.
    if (busy_.load() && state_.load() != PreviewState::Finished)
        return {};
    wait();
    queue_.reopen();
    services_.clock->rearm();
    stop_.store(false);
    renderDone_.store(false);
    refillWaits_.store(0);
    state_.store(PreviewState::Running);
    busy_.store(true);
    try {
        worker_ =
            std::thread(&PreviewEngine::workerMain, this, std::move(run), std::move(onFinished));
    } catch (const std::system_error&) {
        state_.store(PreviewState::Stopped);
        busy_.store(false);
        return {false, threadFailure()};
    }
    return {true, std::nullopt};
}

void PreviewEngine::close() {
    // Running or finished, a closed window leaves the preview stopped.
    state_.store(PreviewState::Stopped);
    stop_.store(true);
    queue_.close();
    services_.clock->interrupt();
}

void PreviewEngine::wait() {
    if (worker_.joinable())
        worker_.join();
}

void PreviewEngine::send(PreviewMusicCue cue) {
    if (services_.sendMusicCue)
        services_.sendMusicCue(cue);
}

void PreviewEngine::workerMain(PreviewRun run, FinishedCallback onFinished) {
    std::thread display;
    std::optional<Failure> failure;
    try {
        display = std::thread(&PreviewEngine::displayMain, this, run.videoWidth);
    } catch (const std::system_error&) {
        // Ending the program here would lose the user's unsaved album: the preview ends instead.
        state_.store(PreviewState::Stopped);
        failure = threadFailure();
    }
    if (display.joinable()) {
        // The display keeps the 25 frames per second; the renderer (and the imaging library's
        // threads it starts) yields to it. The display thread was started before this.
        lowerCurrentThreadPriority(4);
        PreviewSink sink(queue_, state_);
        if (run.render)
            run.render(sink, stop_);
        renderDone_.store(true);
        display.join();
    }
    busy_.store(false);
    if (onFinished)
        onFinished(failure);
}

bool PreviewEngine::waitHalfSeconds(int count) {
    for (int i = 0; i < count && state_.load() == PreviewState::Running; ++i)
        services_.clock->sleepMs(kHalfSecondMs);
    return state_.load() == PreviewState::Running;
}

void PreviewEngine::displayMain(int videoWidth) {
    PreviewScreen& screen = *services_.screen;
    PreviewClock& clock = *services_.clock;
    const PreviewBuffering buffering = previewBuffering(services_.processors);
    const bool narrow = videoWidth < kWaitingPictureWidth;

    waitHalfSeconds(buffering.startHalfSeconds);
    send(PreviewMusicCue::Play);
    if (narrow)
        screen.showStockPicture(StockPicture::Blank);

    // Frames keep to a schedule of 40 ms slots: the time spent showing a frame and any
    // oversleep come off the next wait, so the pace does not drift over a long album.
    double slotEnd = clock.nowMs();
    while (state_.load() == PreviewState::Running) {
        // Read before looking at the queue: the renderer sets it after its last entry.
        const bool rendered = renderDone_.load();
        std::optional<PreviewEntry> entry = queue_.tryPop();
        if (!entry) {
            if (rendered)
                break;
            screen.showStockPicture(StockPicture::Waiting);
            ++refillWaits_;
            send(PreviewMusicCue::Pause);
            waitHalfSeconds(buffering.refillHalfSeconds);
            send(PreviewMusicCue::Resume);
            if (narrow)
                screen.showStockPicture(StockPicture::Blank);
            slotEnd = clock.nowMs();
            continue;
        }
        const double slotStart = clock.nowMs();
        // A slot that began late (a slow frame) starts the schedule over rather than rushing.
        if (slotStart - slotEnd > kFrameMs)
            slotEnd = slotStart;
        if (!entry->bytes.empty()) {
            screen.showFrame(entry->bytes.data(), entry->bytes.size());
            entry.reset(); // the frame is freed before the wait
        }
        slotEnd += kFrameMs;
        clock.sleepMs(slotEnd - clock.nowMs());
    }

    queue_.close(); // frees the frames not shown; a producer still storing is let go
    send(PreviewMusicCue::Stop);
    PreviewState running = PreviewState::Running;
    if (state_.compare_exchange_strong(running, PreviewState::Finished))
        screen.showStockPicture(StockPicture::End);
}

} // namespace velomira
