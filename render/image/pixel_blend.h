#pragma once
// Mixing two frames of 8-bit samples in whole percent, in plain loops the compiler vectorises:
// a fade touches every sample of every frame, which the imaging library does in 16-bit floating
// point with a full image copy per frame.
#include <cstddef>

namespace velomira {

class FramePool;

// out = (over * percent + under * (100 - percent)) / 100 per sample, rounded to nearest (halves
// up); percent is clamped to 0..100. out may be either input.
void blendPercent(const unsigned char* over, const unsigned char* under, std::size_t count,
                  int percent, unsigned char* out);

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

} // namespace velomira
