#pragma once
// Where captions and the logo are laid out. Phone apps draw their buttons down the right side
// and their descriptions along the bottom of a vertical video; with safe areas on, a frame
// taller than wide keeps its overlays out of those parts.
#include "album/album_model.h"

namespace velomira {

// Shares of the frame kept clear in a vertical frame.
inline constexpr double kSafeBottomShare = 0.20;
inline constexpr double kSafeRightShare = 0.12;

// The overlay rectangle, anchored at the frame's top left corner.
struct OverlayArea {
    int width = 0;
    int height = 0;
    bool operator==(const OverlayArea&) const = default;
};

OverlayArea overlayArea(int width, int height, bool safeAreas);
OverlayArea overlayArea(const VideoSettings& settings);

// True when the album's overlays keep out of the phone apps' parts of the frame.
bool keepsSafeAreas(const VideoSettings& settings);

} // namespace velomira
