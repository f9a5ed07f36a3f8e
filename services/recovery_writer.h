#pragma once
// Writes and removes one running copy's recovery copy on a thread of its own, so the window
// never waits for the disk. Jobs run in order; a job not yet started is replaced by a newer
// one (only the latest album matters).
#include "services/recovery_copy.h"

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace velomira {

class RecoveryWriter {
  public:
    // done is called on the writer's thread after every write (empty: written).
    using Done = std::function<void(const std::optional<Failure>& failure)>;

    RecoveryWriter(std::filesystem::path folder, Done done);
    ~RecoveryWriter(); // finishes the job in hand and the one waiting
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(RecoverySnapshot snapshot);
    void remove();
    // Returns when no job is waiting or running.
    void wait();
    const std::filesystem::path& folder() const { return folder_; }

  private:
    struct Job {
        std::optional<RecoverySnapshot> snapshot; // empty: remove
    };
    void submit(Job job);
    void run();

    std::filesystem::path folder_;
    Done done_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::optional<Job> next_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace velomira
