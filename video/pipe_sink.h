#pragma once
// The video-mode frame sink: frames written back to back into a pipe (the encoder's standard
// input or its named FIFO). A writer thread behind a queue keeps the encoder fed while the next
// frame is being composed. The queue is bounded by the bytes of distinct frames: a held picture
// costs nothing however many times it repeats, so the renderer runs ahead through the still
// part of a picture into the next transition while the encoder works through the repeats.
#include "platform/unique_fd.h"
#include "render/frame_sink.h"
#include "render/image/frame_pool.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace velomira {

constexpr std::size_t kDefaultQueuedFrames = 4096;
constexpr std::size_t kQueuedByteBudget = 16u << 20;

class PipeSink final : public FrameSink {
  public:
    // Takes the pipe's write end (blocking mode).
    // At most queuedFrames entries and queuedBytes bytes of distinct frames wait at a time.
    explicit PipeSink(UniqueFd pipe, std::size_t queuedFrames = kDefaultQueuedFrames,
                      std::size_t queuedBytes = kQueuedByteBudget);
    // Closes as close() does.
    ~PipeSink() override;
    PipeSink(const PipeSink&) = delete;
    PipeSink& operator=(const PipeSink&) = delete;

    // Queue the frame; false once a write has failed (the reader has gone) or after close().
    bool writeFrame(const unsigned char* bytes, std::size_t length) override;
    bool repeatFrame(const unsigned char* bytes, std::size_t length) override;
    FramePool* framePool() override { return &pool_; }

    // Writes what is still queued, then closes the pipe: the end of input for the reader.
    // True when every frame was delivered.
    bool close();
    // Drops what is queued and refuses further frames (the reader is being ended).
    void abort();
    // Lets at most this many frames reach the reader in all (never fewer than those written
    // and the one being written): queued frames beyond are dropped, later ones refused.
    void limitFrames(std::uint64_t frames);

    bool failed() const { return failed_; }
    // Grows with every completed write; lets a watcher see whether the reader still reads.
    std::uint64_t progress() const { return progress_; }
    // True while a frame is being written: the reader holds the writer up if it stays true.
    bool writing() const { return writing_; }
    // Frames the reader has taken in full (a repeat counts as a frame).
    std::uint64_t framesWritten() const { return framesWritten_; }

  private:
    class FrameBytes;
    using Frame = std::shared_ptr<const FrameBytes>;
    struct Entry {
        Frame frame;
        std::size_t cost = 0; // 0 for a repeat that shares the bytes queued before it
    };
    bool enqueue(Frame frame, bool shared);
    void writeLoop();

    // Outlives every frame below and the run's transitions, which take their buffers from it.
    FramePool pool_;
    UniqueFd pipe_;
    const std::size_t capacity_;
    const std::size_t byteBudget_;
    std::size_t queuedBytes_ = 0;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Entry> queue_;
    Frame last_;
    bool closing_ = false;
    std::atomic<bool> failed_{false};
    std::atomic<std::uint64_t> progress_{0};
    std::atomic<bool> writing_{false};
    std::atomic<std::uint64_t> framesWritten_{0};
    std::uint64_t frameLimit_ = UINT64_MAX;
    std::thread writer_;
};

// Lets writes to a pipe whose reader has gone fail with EPIPE instead of ending the process.
void ignoreBrokenPipeSignal();

} // namespace velomira
