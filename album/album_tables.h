#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

// Caption positions; the list order is the stored index.
constexpr int kCaptionLocationCount = 9;
constexpr int kDefaultCaptionLocation = 4; // "中间下方"
const std::array<std::string_view, kCaptionLocationCount>& captionLocationLabels();

// Colours are kept as COLORREF values, 0x00BBGGRR, the form the project's colour code expects.
using ColorRef = std::uint32_t;

constexpr ColorRef rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<ColorRef>(red) | (static_cast<ColorRef>(green) << 8) |
           (static_cast<ColorRef>(blue) << 16);
}

// "#rrggbb" with lowercase digits, the form the imaging library takes.
std::string colorRefToHex(ColorRef colour);

struct CaptionColour {
    std::string_view label;
    ColorRef boxColor;
    ColorRef textColor;
};

constexpr int kCaptionColourCount = 14;
constexpr int kDefaultCaptionColour = 8; // "白色"
const std::array<CaptionColour, kCaptionColourCount>& captionColourTable();

// Entry of the caption colour choice, or nothing outside 0..13.
std::optional<CaptionColour> captionColourAt(int index);

// Display times. The label is what the list shows; the seconds are what the still frame
// count is computed from (two labels round the value they stand for).
struct PauseTime {
    std::string_view label;
    double seconds;
};

constexpr int kPauseTimeCount = 38;
constexpr int kDefaultPauseTime = 21; // "2.0秒"
const std::array<PauseTime, kPauseTimeCount>& pauseTimeTable();

// Still frames for a display time: the seconds as a single-precision float times 25, truncated
// toward zero. A negative time gives a negative count; the caller decides what that means.
// NaN gives 0 and values beyond the int range are clamped, so no input is undefined.
int stillFramesForSeconds(float seconds);

// Still frames of a display time list entry, or nothing outside 0..37.
std::optional<int> stillFramesForPauseTime(int index);

// Parses the text of the custom display time field, written as "%0.2f秒": optional blanks, an
// optional sign, digits with at most one decimal point (at least one digit), then optionally
// "秒", then optional blanks. Anything else, or a number too large for a float, gives nothing
// so that the caller can keep its previous value instead of silently using 0.
std::optional<int> stillFramesForDisplayTimeText(std::string_view text);

// Preset output sizes: the label of the size choice and its width and height.
struct VideoSizePreset {
    std::string_view label;
    int width;
    int height;
};

constexpr int kVideoSizePresetCount = 22;
const std::array<VideoSizePreset, kVideoSizePresetCount>& videoSizePresets();

// Last entry of the size choice; choosing it opens the custom size dialog.
inline constexpr std::string_view kCustomVideoSizeLabel = "自定义...";

// Output size while none is chosen.
constexpr int kUnchosenVideoWidth = 400;
constexpr int kUnchosenVideoHeight = 400;

// Bounds for a size from outside (custom size or project file), so no text can ask for frames
// that would not fit in memory. The custom size dialog allows at most 3840 x 2160.
constexpr int kMinVideoSide = 2;
constexpr int kMaxVideoWidth = 3840;
constexpr int kMaxVideoHeight = 2160;

// Size texts parallel to the size choice: "" for the placeholder at index 0, then "%dx%d" of
// the 22 presets. Custom sizes are added to this list later.
std::vector<std::string> defaultVideoSizeTexts();

struct VideoSize {
    int width;
    int height;
};

// Parses "<width>x<height>" (decimal digits only) within the bounds above; nothing otherwise.
std::optional<VideoSize> parseVideoSizeText(std::string_view text);

std::string videoSizeText(int width, int height);

// Caption point sizes; the numeric text of the chosen entry is the point size.
constexpr int kCaptionFontSizeCount = 13;
constexpr int kDefaultCaptionFontSize = 8; // 36
const std::array<int, kCaptionFontSizeCount>& captionFontSizes();
std::optional<int> captionPointSizeAt(int index);

// Logo positions; the list order is the stored index.
constexpr int kLogoLocationCount = 4;
constexpr int kDefaultLogoLocation = 2; // "右侧上方"
const std::array<std::string_view, kLogoLocationCount>& logoLocationLabels();

// A stored logo position outside 0..3 reads as 2.
int logoLocationFromStored(int stored);

// The loop-play transition read from the settings store: anything above 99 reads as 33, and so
// does a negative value (the store keeps an unsigned number, so it can only be a huge one).
constexpr int kDefaultLoopPlayAnimation = 31;
int loopPlayAnimationFromStored(std::int64_t stored);

} // namespace velomira
