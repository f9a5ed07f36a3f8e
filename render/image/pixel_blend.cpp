#include "render/image/pixel_blend.h"

#include "render/image/frame_pool.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include <sys/mman.h>

namespace velomira {

namespace {

// At most 255 * 100 + 50: the sums fit 16-bit lanes, and the division by the constant 100
// becomes a multiplication in them.
unsigned char mix(unsigned over, unsigned under, std::uint16_t weight) {
    const auto sum = static_cast<std::uint16_t>(over * weight + under * (100u - weight) + 50u);
    return static_cast<unsigned char>(sum / 100u);
}

// Blocks of a fixed size: the optimiser's cheapest vectorisation only takes loops whose trip
// count it knows.
constexpr std::size_t kBlock = 32;

} // namespace

void blendPercent(const unsigned char* over, const unsigned char* under, std::size_t count,
                  int percent, unsigned char* out) {
    const auto weight = static_cast<std::uint16_t>(std::clamp(percent, 0, 100));
    std::size_t i = 0;
    // A block reads all its inputs before it writes, so an output laid over an input is right.
    for (; i + kBlock <= count; i += kBlock) {
        unsigned char a[kBlock];
        unsigned char b[kBlock];
        std::copy_n(over + i, kBlock, a);
        std::copy_n(under + i, kBlock, b);
        for (std::size_t k = 0; k < kBlock; ++k)
            out[i + k] = mix(a[k], b[k], weight);
    }
    for (; i < count; ++i)
        out[i] = mix(over[i], under[i], weight);
}

FrameBuffer::FrameBuffer(std::size_t size) {
    if (size == 0)
        return;
    void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return;
    data_ = static_cast<unsigned char*>(mapped);
    size_ = size;
    mapped_ = size;
}

FrameBuffer::~FrameBuffer() {
    release();
}

FrameBuffer::FrameBuffer(FrameBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)), home_(std::exchange(other.home_, nullptr)) {}

FrameBuffer& FrameBuffer::operator=(FrameBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
        home_ = std::exchange(other.home_, nullptr);
    }
    return *this;
}

unsigned char* FrameBuffer::detach() noexcept {
    size_ = 0;
    mapped_ = 0;
    home_ = nullptr;
    return std::exchange(data_, nullptr);
}

void FrameBuffer::release() noexcept {
    if (data_ && home_)
        home_->giveBack(data_, mapped_);
    else if (data_)
        munmap(data_, mapped_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
    home_ = nullptr;
}

} // namespace velomira
