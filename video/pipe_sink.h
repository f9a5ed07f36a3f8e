#pragma once
// The video-mode frame sink: frames written back to back into a pipe (the encoder's standard
// input or its named FIFO). A writer thread behind a short queue keeps the encoder fed while
// the next frame is being composed.
#include "platform/unique_fd.h"
#include "render/frame_sink.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace velomira {

constexpr std::size_t kDefaultQueuedFrames = 8;

class PipeSink final : public FrameSink {
  public:
    // Takes the pipe's write end (blocking mode).
    explicit PipeSink(UniqueFd pipe, std::size_t queuedFrames = kDefaultQueuedFrames);
    // Closes as close() does.
    ~PipeSink() override;
    PipeSink(const PipeSink&) = delete;
    PipeSink& operator=(const PipeSink&) = delete;

    // Queue the frame; false once a write has failed (the reader has gone) or after close().
    bool writeFrame(const unsigned char* bytes, std::size_t length) override;
    bool repeatFrame(const unsigned char* bytes, std::size_t length) override;

    // Writes what is still queued, then closes the pipe: the end of input for the reader.
    // True when every frame was delivered.
    bool close();
    // Drops what is queued and refuses further frames (the reader is being ended).
    void abort();

    bool failed() const { return failed_; }
    // Grows with every completed write; lets a watcher see whether the reader still reads.
    std::uint64_t progress() const { return progress_; }

  private:
    using Frame = std::shared_ptr<const std::string>;
    bool enqueue(Frame frame);
    void writeLoop();
    bool writeAll(const std::string& bytes);

    UniqueFd pipe_;
    const std::size_t capacity_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Frame> queue_;
    Frame last_;
    bool closing_ = false;
    std::atomic<bool> failed_{false};
    std::atomic<std::uint64_t> progress_{0};
    std::thread writer_;
};

// Lets writes to a pipe whose reader has gone fail with EPIPE instead of ending the process.
void ignoreBrokenPipeSignal();

} // namespace velomira
