#include "video/pipe_sink.h"

#include "platform/file_writes.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

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

// A frame's bytes in pages of their own. Queued frames live while other images are made and
// freed around them; on the heap they would pin its fragments, and a long album would grow it.
// The pages come from the sink's pool and go back to it once the frame has been written, so the
// next frame of the same size finds them mapped and cleared pages are not needed for every frame.
class PipeSink::FrameBytes {
  public:
    FrameBytes(FramePool& pool, const unsigned char* bytes, std::size_t size)
        : pages_(pool.take(size, false)), size_(size) {
        if (pages_.empty())
            fallback_.assign(bytes, bytes + size_);
        else
            std::memcpy(pages_.data(), bytes, size_);
    }
    FrameBytes(const FrameBytes&) = delete;
    FrameBytes& operator=(const FrameBytes&) = delete;

    std::string_view view() const {
        if (!pages_.empty())
            return {reinterpret_cast<const char*>(pages_.data()), size_};
        return {reinterpret_cast<const char*>(fallback_.data()), size_};
    }

  private:
    FrameBuffer pages_;
    std::size_t size_;
    std::vector<unsigned char> fallback_;
};

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
    auto frame = std::make_shared<const FrameBytes>(pool_, bytes, length);
    return enqueue(std::move(frame), false);
}

bool PipeSink::repeatFrame(const unsigned char* bytes, std::size_t length) {
    if (failed_)
        return false;
    Frame frame;
    {
        std::lock_guard guard(lock_);
        if (last_ && last_->view().size() == length &&
            std::memcmp(last_->view().data(), bytes, length) == 0)
            frame = last_;
    }
    const bool shared = frame != nullptr;
    if (!shared)
        frame = std::make_shared<const FrameBytes>(pool_, bytes, length);
    return enqueue(std::move(frame), shared);
}

bool PipeSink::enqueue(Frame frame, bool shared) {
    const std::size_t cost = shared ? 0 : frame->view().size();
    std::unique_lock guard(lock_);
    // An empty queue always takes a frame, so one larger than the budget still goes through.
    changed_.wait(guard, [&] {
        return (queue_.size() < capacity_ &&
                (queue_.empty() || queuedBytes_ + cost <= byteBudget_)) ||
               failed_ || closing_;
    });
    if (failed_ || closing_ || framesWritten_ + queue_.size() >= frameLimit_)
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
        writing_ = true;
        const bool written = writeAll(pipe_.get(), frame->view());
        writing_ = false;
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
        ++framesWritten_;
        ++progress_;
    }
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

void PipeSink::limitFrames(std::uint64_t frames) {
    {
        std::lock_guard guard(lock_);
        // The front entry may be in the writer's hands already.
        frameLimit_ = std::max<std::uint64_t>(frames, framesWritten_ + (queue_.empty() ? 0 : 1));
        while (framesWritten_ + queue_.size() > frameLimit_) {
            queuedBytes_ -= queue_.back().cost;
            queue_.pop_back();
        }
        last_ = queue_.empty() ? nullptr : queue_.back().frame;
    }
    changed_.notify_all();
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
