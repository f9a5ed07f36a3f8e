#include "video/pipe_sink.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velomira {

namespace {

// A larger pipe buffer lets the encoder read ahead while a transition frame is composed.
constexpr int kPipeBufferBytes = 1 << 20;

} // namespace

void ignoreBrokenPipeSignal() {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
        return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

PipeSink::PipeSink(UniqueFd pipe, std::size_t queuedFrames, std::size_t queuedBytes)
    : pipe_(std::move(pipe)), capacity_(queuedFrames == 0 ? 1 : queuedFrames),
      byteBudget_(queuedBytes) {
    ignoreBrokenPipeSignal();
    if (!pipe_.valid()) {
        failed_ = true;
        return;
    }
    // Failure only means the default size (the limit may be below 1 MiB).
    (void)::fcntl(pipe_.get(), F_SETPIPE_SZ, kPipeBufferBytes);
    writer_ = std::thread([this] { writeLoop(); });
}

PipeSink::~PipeSink() {
    close();
}

bool PipeSink::writeFrame(const unsigned char* bytes, std::size_t length) {
    if (failed_)
        return false;
    auto frame = std::make_shared<const std::string>(reinterpret_cast<const char*>(bytes), length);
    return enqueue(std::move(frame), false);
}

bool PipeSink::repeatFrame(const unsigned char* bytes, std::size_t length) {
    if (failed_)
        return false;
    Frame frame;
    {
        std::lock_guard guard(lock_);
        if (last_ && last_->size() == length && std::memcmp(last_->data(), bytes, length) == 0)
            frame = last_;
    }
    const bool shared = frame != nullptr;
    if (!shared)
        frame = std::make_shared<const std::string>(reinterpret_cast<const char*>(bytes), length);
    return enqueue(std::move(frame), shared);
}

bool PipeSink::enqueue(Frame frame, bool shared) {
    const std::size_t cost = shared ? 0 : frame->size();
    std::unique_lock guard(lock_);
    // An empty queue always takes a frame, so one larger than the budget still goes through.
    changed_.wait(guard, [&] {
        return (queue_.size() < capacity_ &&
                (queue_.empty() || queuedBytes_ + cost <= byteBudget_)) ||
               failed_ || closing_;
    });
    if (failed_ || closing_)
        return false;
    last_ = frame;
    queuedBytes_ += cost;
    queue_.push_back(Entry{std::move(frame), cost});
    changed_.notify_all();
    return true;
}

void PipeSink::writeLoop() {
    for (;;) {
        Frame frame;
        {
            std::unique_lock guard(lock_);
            changed_.wait(guard, [&] { return !queue_.empty() || closing_ || failed_; });
            if (failed_ || queue_.empty())
                return;
            frame = queue_.front().frame;
        }
        const bool written = writeAll(*frame);
        {
            std::lock_guard guard(lock_);
            if (!queue_.empty()) {
                queuedBytes_ -= queue_.front().cost;
                queue_.pop_front();
            }
            if (!written) {
                failed_ = true;
                queue_.clear();
                queuedBytes_ = 0;
            }
        }
        changed_.notify_all();
        if (!written)
            return;
        ++progress_;
    }
}

bool PipeSink::writeAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(pipe_.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool PipeSink::close() {
    {
        std::lock_guard guard(lock_);
        closing_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable())
        writer_.join();
    const bool closed = pipe_.close();
    ++progress_;
    return !failed_ && closed;
}

void PipeSink::abort() {
    {
        std::lock_guard guard(lock_);
        failed_ = true;
        queue_.clear();
        queuedBytes_ = 0;
    }
    changed_.notify_all();
}

} // namespace velomira
