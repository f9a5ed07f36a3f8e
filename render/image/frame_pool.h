#pragma once
// Frame-sized memory kept for reuse by one run. Every transition needs a few W x H buffers and
// every raw frame its bytes; mapped afresh each time, the system clears each new page, which
// costs more than drawing the frame. Buffers taken from a pool go back to it when they are
// released, and the next take of the same size finds them. The pool keeps at most a fixed
// number of bytes, so a long album needs no more memory than a short one.
#include "render/image/magick_handles.h"

#include <cstddef>
#include <mutex>
#include <vector>

namespace velomira {

class FramePool;

// Zeroed bytes for whole frames, mapped from the system apart from the heap: megabytes that live
// for one transition would otherwise stay in the heap between pictures and make a long album
// need more memory than a short one. Empty when the mapping failed or the size is 0. One
// taken from a FramePool returns to it when released.
class FrameBuffer {
  public:
    FrameBuffer() = default;
    explicit FrameBuffer(std::size_t size);
    // Adopts a mapping of `mapped` bytes, of which the first `size` are this buffer's; it goes
    // back to `home` (unmapped without one).
    FrameBuffer(unsigned char* data, std::size_t size, std::size_t mapped, FramePool* home)
        : data_(data), size_(data ? size : 0), mapped_(data ? mapped : 0),
          home_(data ? home : nullptr) {}
    ~FrameBuffer();
    FrameBuffer(FrameBuffer&& other) noexcept;
    FrameBuffer& operator=(FrameBuffer&& other) noexcept;
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return data_ == nullptr; }
    std::size_t mapped() const { return mapped_; }
    FramePool* home() const { return home_; }

    // Gives up the mapping without unmapping it.
    unsigned char* detach() noexcept;

  private:
    void release() noexcept;

    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;
    FramePool* home_ = nullptr;
};

// About five frames at 1920 x 1080 (twelve at 1280 x 720): the buffers a transition cycles
// through frame after frame, while a run at 1920 x 1080 stays under 250 MB.
constexpr std::size_t kFramePoolBytes = 32u << 20;

class FramePool {
  public:
    explicit FramePool(std::size_t keptBytes = kFramePoolBytes) : limit_(keptBytes) {}
    // Every buffer taken must have been released before the pool ends.
    ~FramePool();
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // A buffer of `size` bytes (zeroed when asked), kept memory when there is some of about that
    // size; empty when the memory is not there. Safe from any thread.
    FrameBuffer take(std::size_t size, bool zeroed);
    // Bytes held for reuse now.
    std::size_t keptBytes() const;

  private:
    friend class FrameBuffer;
    struct Kept {
        unsigned char* data;
        std::size_t size;
    };
    // Takes a released buffer back, or unmaps it when the pool is full.
    void giveBack(unsigned char* data, std::size_t size) noexcept;

    mutable std::mutex lock_;
    std::vector<Kept> kept_;
    std::size_t keptBytes_ = 0;
    const std::size_t limit_;
};

// The buffer's bytes as a frame's bytes; they go back where the buffer would have gone.
Blob pooledBlob(FrameBuffer buffer);

} // namespace velomira
