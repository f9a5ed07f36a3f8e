#pragma once
// Transition frames drawn as 8-bit pixels are coded (JPEG or raw planes) on other threads while
// the effect draws the next ones, and reach the sink in their order. Drawing stays on the
// caller's thread: most effects build a frame on the one before it.
#include "render/frame_format.h"
#include "render/frame_sink.h"
#include "render/image/image_layer.h"
#include "render/image/pixel_blend.h"

#include <cstddef>
#include <deque>
#include <future>
#include <vector>

namespace velomira {

// Frames coded at once: the processor count, at most 4. 1 codes each frame in line.
int frameEncodingThreads();

class FrameEncodingQueue {
  public:
    // threads: frames coded at once (1: in line, as each frame is queued).
    FrameEncodingQueue(FrameSink& sink, int width, int height, FrameFormat format, int threads);
    // Waits for frames still being coded; they are not delivered.
    ~FrameEncodingQueue();
    FrameEncodingQueue(const FrameEncodingQueue&) = delete;
    FrameEncodingQueue& operator=(const FrameEncodingQueue&) = delete;

    // Queues a copy of the width x height pixels for coding; delivers the oldest frames once
    // the queue is full. False when a frame failed to code or to be delivered: nothing after
    // it is delivered.
    bool pushPixels(const unsigned char* rgb);
    // Delivers the frames queued before it, then these bytes.
    bool pushEncoded(EncodedFrame blob);
    // Delivers every queued frame.
    bool drain();
    // The bytes delivered last (the still frames repeat them).
    EncodedFrame takeLastDelivered() { return std::move(last_); }

  private:
    struct Pending {
        FrameBuffer pixels;
        std::future<EncodedFrame> blob;
    };
    bool deliverOldest();
    bool deliver(EncodedFrame blob);

    FrameSink& sink_;
    int width_;
    int height_;
    FrameFormat format_;
    std::size_t threads_;
    bool failed_ = false;
    std::deque<Pending> pending_;
    std::vector<FrameBuffer> spare_; // pixel buffers of delivered frames, used again
    EncodedFrame last_;
};

} // namespace velomira
