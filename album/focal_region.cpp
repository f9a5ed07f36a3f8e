#include "album/focal_region.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace velomira {

namespace {

constexpr int kUnits = 10000;
constexpr double kLeast = 1.0 / kUnits;

int units(double share) {
    return static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * kUnits));
}

} // namespace

const char* focusModeName(FocusMode mode) {
    return mode == FocusMode::Auto ? "auto" : "center";
}

std::optional<FocusMode> parseFocusMode(std::string_view name) {
    if (name == "auto")
        return FocusMode::Auto;
    if (name == "center")
        return FocusMode::Center;
    return std::nullopt;
}

std::string focalRegionText(const FocalRegion& region) {
    const FocalRegion r = clampedFocalRegion(region);
    char text[48];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", units(r.x), units(r.y), units(r.width),
                  units(r.height));
    return text;
}

std::optional<FocalRegion> parseFocalRegion(std::string_view text) {
    std::array<int, 4> values{};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            if (at == end || *at != ',')
                return std::nullopt;
            ++at;
        }
        const auto [next, error] = std::from_chars(at, end, values[i]);
        if (error != std::errc() || values[i] < 0 || values[i] > kUnits)
            return std::nullopt;
        at = next;
    }
    const auto [x, y, w, h] = values;
    if (at != end || w <= 0 || h <= 0 || x + w > kUnits || y + h > kUnits)
        return std::nullopt;
    return FocalRegion{static_cast<double>(x) / kUnits, static_cast<double>(y) / kUnits,
                       static_cast<double>(w) / kUnits, static_cast<double>(h) / kUnits, false};
}

FocalRegion clampedFocalRegion(FocalRegion region) {
    const auto finite = [](double v, double fallback) { return std::isfinite(v) ? v : fallback; };
    region.width = std::clamp(finite(region.width, 1.0), kLeast, 1.0);
    region.height = std::clamp(finite(region.height, 1.0), kLeast, 1.0);
    region.x = std::clamp(finite(region.x, 0.0), 0.0, 1.0 - region.width);
    region.y = std::clamp(finite(region.y, 0.0), 0.0, 1.0 - region.height);
    return region;
}

FocalRegion turnedFocalRegion(const FocalRegion& region, int angle) {
    FocalRegion turned = region;
    switch (((angle % 360) + 360) % 360) {
    case 90: // the left edge becomes the top
        turned = {1.0 - region.y - region.height, region.x, region.height, region.width};
        break;
    case 180:
        turned = {1.0 - region.x - region.width, 1.0 - region.y - region.height, region.width,
                  region.height};
        break;
    case 270:
        turned = {region.y, 1.0 - region.x - region.width, region.height, region.width};
        break;
    default:
        return region;
    }
    turned.byHand = region.byHand;
    return turned;
}

std::optional<FocalRegion> framingRegion(FocusMode mode, const std::optional<FocalRegion>& region) {
    if (region && (region->byHand || mode == FocusMode::Auto))
        return region;
    return std::nullopt;
}

} // namespace velomira
