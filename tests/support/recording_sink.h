#pragma once
// A frame sink that keeps every delivery, and can be told to fail at the k-th one.
#include "render/frame_sink.h"

#include <string>
#include <vector>

namespace velomira::testing {

struct Delivery {
    bool repeat = false; // repeatFrame rather than writeFrame
    std::string bytes;
};

class RecordingSink final : public FrameSink {
  public:
    // failAt: the 1-based delivery that fails (and every one after it); 0 never fails.
    explicit RecordingSink(int failAt = 0) : failAt_(failAt) {}

    bool writeFrame(const unsigned char* bytes, std::size_t length) override;
    bool repeatFrame(const unsigned char* bytes, std::size_t length) override;
    FramePool* framePool() override { return pool_; }
    // Offers the pool (owned by the test) to the effects that deliver here.
    void usePool(FramePool* pool) { pool_ = pool; }

    const std::vector<Delivery>& deliveries() const { return deliveries_; }
    int count() const { return static_cast<int>(deliveries_.size()); }
    int writes() const;
    int repeats() const;
    // True when every repeat carries the same bytes as the delivery before it.
    bool repeatsMatchPrevious() const;

  private:
    bool record(bool repeat, const unsigned char* bytes, std::size_t length);

    int failAt_;
    FramePool* pool_ = nullptr;
    std::vector<Delivery> deliveries_;
};

} // namespace velomira::testing
