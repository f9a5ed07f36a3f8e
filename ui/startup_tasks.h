#pragma once
// The background tasks started with the window: the stock music folder is brought in step
// with the vendor's list. They touch only the network and the file system, report nothing,
// and never hold up the end of the program: stop() waits a moment, then leaves a worker that
// is still blocked in a request to end by itself (it owns what it uses).
#include "net/http_client_config.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace velomira {

struct StartupTaskSettings {
    std::string stockMusicListUrl; // empty: no stock music task
    HttpClientConfig client;
    std::filesystem::path mp3Folder;
};

class StartupTasks {
  public:
    StartupTasks() = default;
    ~StartupTasks(); // stop()
    StartupTasks(const StartupTasks&) = delete;
    StartupTasks& operator=(const StartupTasks&) = delete;

    // Starts the tasks once; later calls do nothing. Returns whether a worker was started.
    bool start(const StartupTaskSettings& settings);
    // True once the stock music task has ended (or never started).
    bool finished() const;
    // Files the stock music task wrote; valid once finished().
    int stockFilesWritten() const;
    // The program ends: waits at most `grace`, then leaves the worker behind.
    void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(300));

  private:
    struct State;
    std::shared_ptr<State> state_;
    bool started_ = false;
};

} // namespace velomira
