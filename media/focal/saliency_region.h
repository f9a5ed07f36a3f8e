#pragma once
// The densest part of a spectral-residual saliency map (used inside this folder only).
#include "album/focal_region.h"

#include <opencv2/core.hpp>

#include <optional>

namespace velomira {

// The window of a quarter of each side where the saliency map of the grey picture is densest;
// nothing when the map is too even to single out any part.
std::optional<FocalRegion> salientRegion(const cv::Mat& grey);

} // namespace velomira
