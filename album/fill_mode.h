#pragma once
// How a picture fills the video frame: the album's choice, a picture's own override, their
// names on the command line and in the project file, and their labels in the window.
#include <optional>
#include <string_view>

namespace velomira {

enum class FillMode {
    Fit = 0,  // the whole picture, bars in the background colour (the old behaviour)
    Crop = 1, // the picture covers the frame, cut around its centre
    Blur = 2, // the fitted picture over a blurred, darkened copy that covers the frame
};

inline constexpr int kFillModeCount = 3;

// "fit", "crop", "blur": the command line, the batch file and the project file use these.
const char* fillModeName(FillMode mode);
std::optional<FillMode> parseFillMode(std::string_view name);

// Window labels, in FillMode order.
const char* fillModeLabel(FillMode mode);
// The picture menu's entries: "跟随视频" (no override), then the modes in FillMode order.
inline constexpr int kItemFillChoiceCount = kFillModeCount + 1;
const char* itemFillChoiceLabel(int index);
std::optional<FillMode> itemFillChoiceAt(int index);
int itemFillChoiceIndex(std::optional<FillMode> mode);

// A frame taller than it is wide: phone apps lay their buttons over it, and new albums of such
// a size start in blur mode.
constexpr bool isVerticalFrame(int width, int height) {
    return height > width;
}

// The settings default for new albums ("new_album_fill_mode"): follow the size (fit, blur in a
// vertical size) or one fixed mode.
enum class NewAlbumFill { FollowSize = 0, Fit = 1, Crop = 2, Blur = 3 };
inline constexpr int kNewAlbumFillCount = 4;

// The mode a new album starts with at the given size.
FillMode newAlbumFillMode(NewAlbumFill preference, int width, int height);

} // namespace velomira
