#pragma once
// What the three option dialogs check and show, without a toolkit: the Qt dialogs and the
// tests run the same rules. A refused form gives the warning to show (title "提示") and the
// field that gets the focus back.
#include "album/album_tables.h"
#include "app/caption_margins.h"

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velomira {

inline constexpr const char* kOptionFormTitle = "提示";

template <typename Field> struct FormRefusal {
    std::string message;
    std::string title = kOptionFormTitle;
    Field focus;
};

// The main window's caption text field: at most 97 bytes in the project file's GBK form, so
// "一个汉字占 2 个字符" (the album itself keeps up to 195).
inline constexpr int kCaptionTextBytes = 97;
bool captionTextFits(std::string_view utf8);

// "自定义视频尺寸": two numeric boxes of at most 4 characters.
enum class CustomSizeField { Width, Height };
inline constexpr int kCustomSizeMaxChars = 4;
inline constexpr int kCustomMinSide = 128;
inline constexpr int kCustomMaxWidth = 3840;
inline constexpr int kCustomMaxHeight = 2160;

using CustomSizeRefusal = FormRefusal<CustomSizeField>;
// Checks in the order: empty width, empty height, odd width, odd height, width range, height
// range. A text that is not all digits is no size and fails at its range check.
std::variant<VideoSize, CustomSizeRefusal> checkCustomVideoSize(std::string_view width,
                                                                std::string_view height);

// "图片循环播放设置": the drop-down list's texts, "无动画" first, then the catalogue's groups,
// each preceded by a separator line.
std::vector<std::string> loopPlayListEntries();
// Row showing the current transition's name ("无动画" for 99 and every unnamed index).
int loopPlaySelectionFor(int currentIndex);
// Row to show after the list closes up: a separator line goes back to the first row.
int loopPlaySelectionAfterCloseUp(int row);
// The confirmed text as a transition index: a separator or an unknown name is 99.
int loopPlayChoiceFromText(std::string_view text);

// "【加文字】边距设置": five boxes of at most 5 characters, percentages of the video size.
enum class MarginField { CenterBottom, Left, Right, Top, Bottom };
inline constexpr int kMarginFieldCount = 5;
inline constexpr int kMarginMaxChars = 5;
using MarginTexts = std::array<std::string, kMarginFieldCount>; // in MarginField order

using MarginRefusal = FormRefusal<MarginField>;

// An optional minus sign, a digit, then digits with at most one decimal point ("5." is a
// number, ".5" and "1e3" are not).
bool isMarginNumber(std::string_view text);

// Trims tabs, line breaks and spaces at both ends; then, field by field, empty and
// not-a-number; then, field by field, the range (above 0, below 50). Accepted percentages p
// become p / 100 + 0.000001.
std::variant<CaptionMargins, MarginRefusal> checkCaptionMargins(const MarginTexts& texts);

// The boxes' texts for margins: fraction × 100 as "%0.2f".
MarginTexts marginTexts(const CaptionMargins& margins);
// "全部使用默认值": 15.00 and four times 6.00.
MarginTexts defaultMarginTexts();

} // namespace velomira
