#pragma once
// The generation job on its own thread: the caller (a window, the terminal program) stays free
// to show progress and take the stop button; the outcome arrives through a callback on the
// worker's thread when the encoder has finished.
#include "platform/failure.h"
#include "video/generation_job.h"

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

namespace velomira {

class GenerationWorker {
  public:
    using OutcomeCallback = std::function<void(const GenerationResult&)>;

    GenerationWorker() = default;
    ~GenerationWorker(); // stops a run still going and waits for it
    GenerationWorker(const GenerationWorker&) = delete;
    GenerationWorker& operator=(const GenerationWorker&) = delete;

    // Starts one run; the refusal ("启动线程失败") when a run is still going or the thread
    // could not be started, none when it started. The request's album must stay unchanged
    // until the outcome.
    std::optional<Failure> start(EncoderState& state, GenerationRequest request, RunPlan plan,
                                 OutcomeCallback onOutcome);

    // The stop button: the run ends after the current picture and the encoder finishes.
    void requestStop() { stop_.store(true); }
    bool running() const { return running_.load(); }
    // Waits for the outcome of the current run (returns at once when there is none).
    void wait();

  private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
};

} // namespace velomira
