#pragma once
// The preview's frames between the renderer and the display: a queue with one producer and one
// consumer, bounded so that a renderer running ahead of the 25 frames per second display never
// holds more than about ten seconds of frames (or 64 MB) in memory. Held frames cost an entry
// without bytes. The preview's FrameSink stores into it.
#include "render/frame_sink.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace velomira {

// One frame time of the preview: a JPEG frame, or no bytes when the frame on screen stays.
struct PreviewEntry {
    std::vector<unsigned char> bytes;
};

struct PreviewQueueLimits {
    std::size_t frames = 250;      // ten seconds at 25 frames per second
    std::size_t bytes = 64u << 20; // whichever comes first
};

class PreviewQueue {
  public:
    explicit PreviewQueue(PreviewQueueLimits limits = {}) : limits_(limits) {}

    // Producer. An entry with bytes waits while the queue is full; false when the queue was
    // closed (the entry is dropped). Entries without bytes never wait.
    bool push(PreviewEntry entry);
    // Consumer. The oldest entry, or none when the queue is empty.
    std::optional<PreviewEntry> tryPop();

    // Drops every entry and refuses later ones; wakes a waiting producer at once.
    void close();
    // Empty and open again for the next preview; the peaks start over.
    void reopen();

    std::size_t frames() const;
    std::size_t bytes() const;
    // The most frames with bytes and the most bytes held at once since reopen().
    std::size_t peakFrames() const;
    std::size_t peakBytes() const;
    // Times the producer had to wait for room since reopen().
    int producerWaits() const;

  private:
    bool full(std::size_t incoming) const;

    PreviewQueueLimits limits_;
    mutable std::mutex mutex_;
    std::condition_variable room_;
    std::deque<PreviewEntry> entries_;
    std::size_t frames_ = 0;
    std::size_t bytes_ = 0;
    std::size_t peakFrames_ = 0;
    std::size_t peakBytes_ = 0;
    int producerWaits_ = 0;
    bool closed_ = false;
};

// Stopped or idle, running, or finished (the end picture is shown).
enum class PreviewState { Stopped, Running, Finished };

// The preview's frame sink. Stores only while the preview runs and always reports success, so
// a closed preview lets the current effect finish without storing anything. After a new frame
// the first repeat is stored in full (an effect may hold a frame it never wrote) and the
// following repeats are stored as entries without bytes.
class PreviewSink final : public FrameSink {
  public:
    PreviewSink(PreviewQueue& queue, const std::atomic<PreviewState>& state)
        : queue_(queue), state_(state) {}

    bool writeFrame(const unsigned char* bytes, std::size_t length) override;
    bool repeatFrame(const unsigned char* bytes, std::size_t length) override;

  private:
    PreviewQueue& queue_;
    const std::atomic<PreviewState>& state_;
    const unsigned char* lastStoredFrame_ = nullptr;
};

} // namespace velomira
