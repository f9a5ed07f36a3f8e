#include "render/frame_encoding_queue.h"

#include "render/image/frame_encoding.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace velomira {

int frameEncodingThreads() {
    const unsigned processors = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(processors, 1u, 4u));
}

FrameEncodingQueue::FrameEncodingQueue(FrameSink& sink, int width, int height, FrameFormat format,
                                       int threads, FramePool* pool)
    : sink_(sink), width_(width), height_(height), format_(format),
      threads_(static_cast<std::size_t>(std::max(threads, 1))), pool_(pool),
      slotHeld_(threads_, false) {}

FrameEncodingQueue::~FrameEncodingQueue() {
    for (Pending& p : pending_) {
        if (p.blob.valid())
            p.blob.wait();
    }
}

bool FrameEncodingQueue::deliver(EncodedFrame blob) {
    if (!blob || !sink_.writeFrame(blob.bytes(), blob.length)) {
        failed_ = true;
        return false;
    }
    last_ = std::move(blob);
    return true;
}

bool FrameEncodingQueue::deliverOldest() {
    Pending oldest = std::move(pending_.front());
    pending_.pop_front();
    EncodedFrame blob = oldest.blob.get();
    if (oldest.slot != kNoSlot)
        slotHeld_[oldest.slot] = false;
    else
        spare_.push_back(std::move(oldest.pixels));
    return deliver(std::move(blob));
}

bool FrameEncodingQueue::pushPixels(const unsigned char* rgb) {
    if (failed_)
        return false;
    if (threads_ == 1)
        return deliver(encodeRgb24(rgb, width_, height_, format_, pool_));
    if (!makeRoom())
        return false;
    const std::size_t size =
        3 * static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    FrameBuffer pixels;
    if (!spare_.empty()) {
        pixels = std::move(spare_.back());
        spare_.pop_back();
    } else {
        pixels = pool_ ? pool_->take(size, false) : FrameBuffer(size);
    }
    if (pixels.empty()) {
        failed_ = true;
        return false;
    }
    // The effect draws its next frame into the same memory: the coder works on a copy.
    std::memcpy(pixels.data(), rgb, size);
    const unsigned char* copy = pixels.data();
    const int width = width_;
    const int height = height_;
    const FrameFormat format = format_;
    FramePool* pool = pool_;
    Pending job{std::move(pixels), {}};
    job.blob = std::async(std::launch::async, [copy, width, height, format, pool] {
        return encodeRgb24(copy, width, height, format, pool);
    });
    pending_.push_back(std::move(job));
    return true;
}

bool FrameEncodingQueue::makeRoom() {
    while (pending_.size() >= threads_) {
        if (!deliverOldest())
            return false;
    }
    return true;
}

bool FrameEncodingQueue::pushJob(std::function<EncodedFrame(std::size_t slot)> job) {
    if (failed_)
        return false;
    if (threads_ == 1)
        return deliver(job(0));
    if (!makeRoom())
        return false;
    // Fewer jobs are pending than there are slots, so one is free.
    std::size_t slot = 0;
    while (slotHeld_[slot])
        ++slot;
    slotHeld_[slot] = true;
    Pending pending;
    pending.slot = slot;
    pending.blob =
        std::async(std::launch::async, [job = std::move(job), slot] { return job(slot); });
    pending_.push_back(std::move(pending));
    return true;
}

bool FrameEncodingQueue::pushEncoded(EncodedFrame blob) {
    return drain() && deliver(std::move(blob));
}

bool FrameEncodingQueue::drain() {
    while (!failed_ && !pending_.empty()) {
        if (!deliverOldest())
            return false;
    }
    return !failed_;
}

} // namespace velomira
