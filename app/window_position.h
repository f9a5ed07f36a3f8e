#pragma once
// Where the main window was when it was closed, kept in the settings store as "x,y" (the top
// left corner of its frame) under main_window_position, and whether it may go there again.
#include "platform/registry.h"

#include <optional>

namespace velomira {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The remembered position, or none when nothing (or nothing readable) was stored.
std::optional<ScreenPoint> readWindowPosition(const RegistryFile& file);
int writeWindowPosition(const RegistryFile& file, ScreenPoint framePosition);

// The remembered position when a frame of frameWidth x frameHeight placed there lies wholly
// inside the screen's available area; none otherwise (the window is then placed as usual).
std::optional<ScreenPoint> rememberedPlacement(const std::optional<ScreenPoint>& remembered,
                                               int frameWidth, int frameHeight,
                                               const ScreenRect& available);

} // namespace velomira
