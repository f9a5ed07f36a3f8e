#include "services/recovery_writer.h"

namespace velomira {

RecoveryWriter::RecoveryWriter(std::filesystem::path folder, Done done)
    : folder_(std::move(folder)), done_(std::move(done)), thread_([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void RecoveryWriter::write(RecoverySnapshot snapshot) {
    submit(Job{std::move(snapshot)});
}

void RecoveryWriter::remove() {
    submit(Job{});
}

void RecoveryWriter::submit(Job job) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        next_ = std::move(job);
    }
    changed_.notify_all();
}

void RecoveryWriter::wait() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return !next_ && !busy_; });
}

void RecoveryWriter::run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        changed_.wait(hold, [this] { return next_ || stopping_; });
        if (!next_)
            return;
        Job job = std::move(*next_);
        next_.reset();
        busy_ = true;
        hold.unlock();
        if (job.snapshot) {
            const std::optional<Failure> failure = writeRecoveryCopy(folder_, *job.snapshot);
            if (done_)
                done_(failure);
        } else {
            removeRecoveryCopy(folder_);
        }
        hold.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace velomira
