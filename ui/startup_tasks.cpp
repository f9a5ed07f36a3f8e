#include "ui/startup_tasks.h"

#include "net/http_client.h"
#include "net/stock_music.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace velomira {

struct StartupTasks::State {
    explicit State(StartupTaskSettings settings)
        : settings(std::move(settings)), client{this->settings.client, {}} {}

    const StartupTaskSettings settings;
    HttpClient client;
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    int written = 0;
    std::thread thread;
};

StartupTasks::~StartupTasks() {
    stop();
}

bool StartupTasks::start(const StartupTaskSettings& settings) {
    if (started_)
        return false;
    started_ = true;
    if (settings.stockMusicListUrl.empty())
        return false;
    state_ = std::make_shared<State>(settings);
    std::shared_ptr<State> state = state_;
    state->thread = std::thread([state] {
        int written = syncStockMusic(state->client, state->settings.stockMusicListUrl,
                                     state->settings.mp3Folder, &state->stop);
        std::lock_guard<std::mutex> guard(state->lock);
        state->written = written;
        state->done = true;
        state->ended.notify_all();
    });
    return true;
}

bool StartupTasks::finished() const {
    if (!state_)
        return true;
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->done;
}

int StartupTasks::stockFilesWritten() const {
    if (!state_)
        return 0;
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->written;
}

void StartupTasks::stop(std::chrono::milliseconds grace) {
    if (!state_ || !state_->thread.joinable())
        return;
    state_->stop = true;
    std::unique_lock<std::mutex> guard(state_->lock);
    bool done = state_->ended.wait_for(guard, grace, [this] { return state_->done; });
    guard.unlock();
    // A worker still in a request finishes on its own time-out; it holds its own state.
    if (done)
        state_->thread.join();
    else
        state_->thread.detach();
}

} // namespace velomira
