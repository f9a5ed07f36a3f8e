#pragma once
// Transition frames drawn as 8-bit pixels are coded (JPEG or raw planes) on other threads while
// the effect draws the next ones, and reach the sink in their order. Frames that do not build on
// the one before can also be drawn there, each job in a slot of its own.
#include "render/frame_format.h"
#include "render/frame_sink.h"
#include "render/image/frame_pool.h"
#include "render/image/image_layer.h"
#include "render/image/pixel_blend.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <vector>

namespace velomira {

// Frames coded at once: the processor count, at most 4. 1 codes each frame in line.
int frameEncodingThreads();

class FrameEncodingQueue {
  public:
    // threads: frames coded at once (1: in line, as each frame is queued). The copies of queued
    // pixels take their memory from the pool when there is one.
    FrameEncodingQueue(FrameSink& sink, int width, int height, FrameFormat format, int threads,
                       FramePool* pool = nullptr);
    // Waits for frames still being coded; they are not delivered.
    ~FrameEncodingQueue();
    FrameEncodingQueue(const FrameEncodingQueue&) = delete;
    FrameEncodingQueue& operator=(const FrameEncodingQueue&) = delete;

    // Queues a copy of the width x height pixels for coding; delivers the oldest frames once
    // the queue is full. False when a frame failed to code or to be delivered: nothing after
    // it is delivered.
    bool pushPixels(const unsigned char* rgb);
    // Runs the job on another thread (in line with one thread) and delivers its bytes in turn; an
    // empty result fails like a failed coding. The job gets a slot, 0 .. threads - 1, that no
    // other job holds until its bytes are delivered: the index of its working memory.
    bool pushJob(std::function<EncodedFrame(std::size_t slot)> job);
    // Delivers the frames queued before it, then these bytes.
    bool pushEncoded(EncodedFrame blob);
    // Delivers every queued frame.
    bool drain();
    // The bytes delivered last (the still frames repeat them).
    EncodedFrame takeLastDelivered() { return std::move(last_); }

  private:
    static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);
    struct Pending {
        FrameBuffer pixels;
        std::future<EncodedFrame> blob;
        std::size_t slot = kNoSlot;
    };
    bool makeRoom();
    bool deliverOldest();
    bool deliver(EncodedFrame blob);

    FrameSink& sink_;
    int width_;
    int height_;
    FrameFormat format_;
    std::size_t threads_;
    FramePool* pool_;
    bool failed_ = false;
    std::deque<Pending> pending_;
    std::vector<FrameBuffer> spare_; // pixel buffers of delivered frames, used again
    std::vector<bool> slotHeld_;
    EncodedFrame last_;
};

} // namespace velomira
