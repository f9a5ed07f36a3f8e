#include "app/window_position.h"

#include <charconv>
#include <string>

namespace velomira {

namespace {

constexpr const char* kWindowPositionKey = "main_window_position";

bool readInt(const char*& at, const char* end, int& value) {
    const auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc())
        return false;
    at = next;
    return true;
}

} // namespace

std::optional<ScreenPoint> readWindowPosition(const RegistryFile& file) {
    std::string text;
    if (!readRegistryText(file, kWindowPositionKey, text))
        return std::nullopt;
    const char* at = text.data();
    const char* end = at + text.size();
    ScreenPoint point;
    if (!readInt(at, end, point.x) || at == end || *at++ != ',' || !readInt(at, end, point.y) ||
        at != end)
        return std::nullopt;
    return point;
}

int writeWindowPosition(const RegistryFile& file, ScreenPoint framePosition) {
    return writeRegistryText(file, kWindowPositionKey,
                             std::to_string(framePosition.x) + "," +
                                 std::to_string(framePosition.y));
}

std::optional<ScreenPoint> rememberedPlacement(const std::optional<ScreenPoint>& remembered,
                                               int frameWidth, int frameHeight,
                                               const ScreenRect& available) {
    if (!remembered || frameWidth <= 0 || frameHeight <= 0)
        return std::nullopt;
    // In 64 bits: a stored position near the integer limits must not wrap into the screen.
    const long long left = remembered->x;
    const long long top = remembered->y;
    const bool inside = left >= available.x && top >= available.y &&
                        left + frameWidth <= 0LL + available.x + available.width &&
                        top + frameHeight <= 0LL + available.y + available.height;
    return inside ? remembered : std::nullopt;
}

} // namespace velomira
