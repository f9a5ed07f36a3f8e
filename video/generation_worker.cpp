#include "video/generation_worker.h"

#include <system_error>

namespace velomira {

namespace {

Failure threadRefusal() {
    return {"启动线程失败", "提示", MessageKind::Warning};
}

} // namespace

GenerationWorker::~GenerationWorker() {
    requestStop();
    wait();
}

std::optional<Failure> GenerationWorker::start(EncoderState& state, GenerationRequest request,
                                               RunPlan plan, OutcomeCallback onOutcome) {
    if (running_.load())
        return threadRefusal();
    wait(); // collect the thread of a finished run
    stop_.store(false);
    running_.store(true);
    try {
        thread_ = std::thread([this, &state, request = std::move(request), plan = std::move(plan),
                               onOutcome = std::move(onOutcome)] {
            const GenerationResult result = runGenerationJob(state, request, plan, stop_);
            running_.store(false);
            if (onOutcome)
                onOutcome(result);
        });
    } catch (const std::system_error&) {
        running_.store(false);
        return threadRefusal();
    }
    return std::nullopt;
}

void GenerationWorker::wait() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

} // namespace velomira
