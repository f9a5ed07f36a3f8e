#pragma once
// Scaling 8-bit R, G, B pictures with a Lanczos filter, vectorised by libswscale. Each colour
// plane is scaled on its own as grey, so no colour conversion ever touches the samples.
#include "render/image/rgb_frame.h"

struct SwsContext;

namespace velomira {

class RgbScaler {
  public:
    RgbScaler() = default;
    ~RgbScaler();
    RgbScaler(const RgbScaler&) = delete;
    RgbScaler& operator=(const RgbScaler&) = delete;

    // Scales the width x height pixels at source (rows of 3 x width bytes) to the output's
    // size; false when the scaler could not be set up or a size is not positive.
    bool scale(const unsigned char* source, int width, int height, RgbFrame& out);
    // The same from three planes R, G, B of width x height bytes, rows `strides[c]` apart.
    bool scalePlanes(const unsigned char* const planes[3], const int strides[3], int width,
                     int height, RgbFrame& out);
    // Takes the planes' memory from the pool (which must outlive the scaler) from now on.
    void usePool(FramePool* pool) { pool_ = pool; }
    // Where frames scaled into take their memory (reshapeRgbFrame), or none.
    FramePool* pool() const { return pool_; }

  private:
    bool reserve(FrameBuffer& planes, std::size_t size);
    // Scales after `fill` has written the source planes (rows inStride apart, planes inPlane
    // apart) into planesIn_.
    template <typename Fill>
    bool scaleFilled(int width, int height, RgbFrame& out, const Fill& fill);

    SwsContext* context_ = nullptr;
    FramePool* pool_ = nullptr;
    FrameBuffer planesIn_;
    FrameBuffer planesOut_;
};

} // namespace velomira
