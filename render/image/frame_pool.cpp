#include "render/image/frame_pool.h"

#include <cstring>
#include <utility>

#include <sys/mman.h>

namespace velomira {

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

FramePool::~FramePool() {
    for (const Kept& k : kept_)
        munmap(k.data, k.size);
}

FrameBuffer FramePool::take(std::size_t size, bool zeroed) {
    if (size == 0)
        return FrameBuffer();
    {
        std::lock_guard guard(lock_);
        // The smallest kept buffer that holds the size, if it is not much larger: frames of one
        // run come in a few sizes, and a small frame should not hold a large one's memory.
        std::size_t best = kept_.size();
        for (std::size_t i = 0; i < kept_.size(); ++i) {
            if (kept_[i].size >= size && kept_[i].size <= 2 * size &&
                (best == kept_.size() || kept_[i].size < kept_[best].size))
                best = i;
        }
        if (best != kept_.size()) {
            const Kept found = kept_[best];
            kept_[best] = kept_.back();
            kept_.pop_back();
            keptBytes_ -= found.size;
            if (zeroed)
                std::memset(found.data, 0, size);
            return FrameBuffer(found.data, size, found.size, this);
        }
    }
    FrameBuffer fresh(size); // fresh pages are zero
    if (fresh.empty())
        return fresh;
    return FrameBuffer(fresh.detach(), size, size, this);
}

void returnToPool(FramePool* pool, unsigned char* bytes, std::size_t mapped) noexcept {
    const FrameBuffer released(bytes, mapped, mapped, pool); // back to the pool at once
}

Blob pooledBlob(FrameBuffer buffer) {
    Blob blob;
    blob.length = buffer.size();
    if (buffer.empty())
        return blob;
    FramePool* home = buffer.home();
    const std::size_t mapped = buffer.mapped();
    blob.data = std::unique_ptr<unsigned char, MagickMemoryDeleter>(
        buffer.detach(), MagickMemoryDeleter{false, home, mapped});
    return blob;
}

std::size_t FramePool::keptBytes() const {
    std::lock_guard guard(lock_);
    return keptBytes_;
}

void FramePool::giveBack(unsigned char* data, std::size_t size) noexcept {
    {
        std::lock_guard guard(lock_);
        if (keptBytes_ + size <= limit_) {
            kept_.push_back(Kept{data, size});
            keptBytes_ += size;
            return;
        }
    }
    munmap(data, size);
}

} // namespace velomira
