#include "album/fill_mode.h"

#include <array>

namespace velomira {

namespace {

constexpr std::array<const char*, kFillModeCount> kNames{"fit", "crop", "blur"};
constexpr std::array<const char*, kFillModeCount> kLabels{"适应画面", "裁剪铺满", "模糊背景"};
constexpr const char* kFollowAlbumLabel = "跟随视频设置";

std::size_t indexOf(FillMode mode) {
    const int number = static_cast<int>(mode);
    return number >= 0 && number < kFillModeCount ? static_cast<std::size_t>(number) : 0;
}

} // namespace

const char* fillModeName(FillMode mode) {
    return kNames[indexOf(mode)];
}

std::optional<FillMode> parseFillMode(std::string_view name) {
    for (int i = 0; i < kFillModeCount; ++i) {
        if (name == kNames[static_cast<std::size_t>(i)]) {
            return static_cast<FillMode>(i);
        }
    }
    return std::nullopt;
}

const char* fillModeLabel(FillMode mode) {
    return kLabels[indexOf(mode)];
}

const char* itemFillChoiceLabel(int index) {
    if (index == 0) {
        return kFollowAlbumLabel;
    }
    return index > 0 && index < kItemFillChoiceCount ? kLabels[static_cast<std::size_t>(index - 1)]
                                                     : "";
}

std::optional<FillMode> itemFillChoiceAt(int index) {
    if (index <= 0 || index >= kItemFillChoiceCount) {
        return std::nullopt;
    }
    return static_cast<FillMode>(index - 1);
}

int itemFillChoiceIndex(std::optional<FillMode> mode) {
    return mode ? static_cast<int>(indexOf(*mode)) + 1 : 0;
}

FillMode newAlbumFillMode(NewAlbumFill preference, int width, int height) {
    switch (preference) {
    case NewAlbumFill::Fit:
        return FillMode::Fit;
    case NewAlbumFill::Crop:
        return FillMode::Crop;
    case NewAlbumFill::Blur:
        return FillMode::Blur;
    case NewAlbumFill::FollowSize:
        break;
    }
    return isVerticalFrame(width, height) ? FillMode::Blur : FillMode::Fit;
}

} // namespace velomira
