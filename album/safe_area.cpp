#include "album/safe_area.h"

#include <cmath>

namespace velomira {

OverlayArea overlayArea(int width, int height, bool safeAreas) {
    if (!safeAreas || !isVerticalFrame(width, height))
        return {width, height};
    return {static_cast<int>(std::lround(width * (1.0 - kSafeRightShare))),
            static_cast<int>(std::lround(height * (1.0 - kSafeBottomShare)))};
}

OverlayArea overlayArea(const VideoSettings& settings) {
    return overlayArea(settings.videoWidth, settings.videoHeight, settings.safeAreas);
}

bool keepsSafeAreas(const VideoSettings& settings) {
    return settings.safeAreas && isVerticalFrame(settings.videoWidth, settings.videoHeight);
}

} // namespace velomira
