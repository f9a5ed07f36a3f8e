#pragma once
// Scaling 8-bit R, G, B pictures with a Lanczos filter, vectorised by libswscale. Each colour
// plane is scaled on its own as grey, so no colour conversion ever touches the samples.
#include "render/image/rgb_frame.h"

#include <vector>

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

  private:
    SwsContext* context_ = nullptr;
    std::vector<unsigned char> planesIn_;
    std::vector<unsigned char> planesOut_;
};

} // namespace velomira
