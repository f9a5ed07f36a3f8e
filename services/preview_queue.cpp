#include "services/preview_queue.h"

#include <algorithm>

namespace velomira {

bool PreviewQueue::full(std::size_t incoming) const {
    // An empty queue always takes a frame, however large, so a huge frame cannot stall it.
    return frames_ > 0 && (frames_ >= limits_.frames || bytes_ + incoming > limits_.bytes);
}

bool PreviewQueue::push(PreviewEntry entry) {
    std::unique_lock lock(mutex_);
    const std::size_t size = entry.bytes.size();
    if (size > 0 && !closed_ && full(size)) {
        ++producerWaits_;
        room_.wait(lock, [this, size] { return closed_ || !full(size); });
    }
    if (closed_)
        return false;
    if (!entry.bytes.empty()) {
        ++frames_;
        bytes_ += entry.bytes.size();
        peakFrames_ = std::max(peakFrames_, frames_);
        peakBytes_ = std::max(peakBytes_, bytes_);
    }
    entries_.push_back(std::move(entry));
    return true;
}

std::optional<PreviewEntry> PreviewQueue::tryPop() {
    std::optional<PreviewEntry> entry;
    {
        std::lock_guard lock(mutex_);
        if (entries_.empty())
            return entry;
        entry = std::move(entries_.front());
        entries_.pop_front();
        if (!entry->bytes.empty()) {
            --frames_;
            bytes_ -= entry->bytes.size();
        }
    }
    room_.notify_one();
    return entry;
}

void PreviewQueue::close() {
    std::deque<PreviewEntry> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(entries_);
        frames_ = 0;
        bytes_ = 0;
    }
    room_.notify_all();
    // The frames are freed here, outside the lock.
}

void PreviewQueue::reopen() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    frames_ = bytes_ = peakFrames_ = peakBytes_ = 0;
    producerWaits_ = 0;
    closed_ = false;
}

std::size_t PreviewQueue::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::size_t PreviewQueue::bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

std::size_t PreviewQueue::peakFrames() const {
    std::lock_guard lock(mutex_);
    return peakFrames_;
}

std::size_t PreviewQueue::peakBytes() const {
    std::lock_guard lock(mutex_);
    return peakBytes_;
}

int PreviewQueue::producerWaits() const {
    std::lock_guard lock(mutex_);
    return producerWaits_;
}

bool PreviewSink::writeFrame(const unsigned char* bytes, std::size_t length) {
    if (state_.load() != PreviewState::Running)
        return true;
    queue_.push(PreviewEntry{{bytes, bytes + length}});
    lastStoredFrame_ = nullptr;
    return true;
}

bool PreviewSink::repeatFrame(const unsigned char* bytes, std::size_t length) {
    if (state_.load() != PreviewState::Running)
        return true;
    if (lastStoredFrame_ != nullptr) {
        queue_.push(PreviewEntry{});
        return true;
    }
    queue_.push(PreviewEntry{{bytes, bytes + length}});
    lastStoredFrame_ = bytes;
    return true;
}

} // namespace velomira
