#include "album/transition_catalogue.h"

#include <algorithm>

namespace velomira {

namespace {

constexpr std::array<TransitionEntry, kTransitionCount> kCatalogue{{
    {0, "逐渐缩小"},
    {1, "逐渐放大"},
    {2, "从四周向中间展开(方)"},
    {3, "从左右两侧向中间展开"},
    {4, "从上下两侧向中间展开"},
    {5, "从左上角由小变大"},
    {6, "从左上角展开"},
    {7, "从左下角由小变大"},
    {8, "从左下角展开"},
    {9, "从右上角由小变大"},
    {10, "从右上角展开"},
    {11, "从右下角由小变大"},
    {12, "从右下角展开"},
    {13, "从左侧中间由小变大"},
    {14, "从上侧中间由小变大"},
    {15, "从右侧中间由小变大"},
    {16, "从下侧中间由小变大"},
    {17, "从中间由小变大"},
    {18, "从中间向四周展开(方)"},
    {19, "从中间向左右展开"},
    {20, "从中间向上下展开"},
    {21, "从左向右展开"},
    {22, "从上向下展开"},
    {23, "从下向上展开"},
    {24, "从右向左展开"},
    {25, "从中间向四周展开(圆)"},
    {26, "从四周向中间展开(圆)"},
    {27, "从左向右拖出"},
    {28, "从右向左拖出"},
    {29, "从上向下拖出"},
    {30, "从下向上拖出"},
    {31, "淡入淡出"},
    {32, "12点顺时针方向展开"},
    {33, "顺逆时针方向同时展开"},
    {34, "9点顺时针方向展开"},
    {35, "9点逆时针方向展开"},
    {36, "12点逆时针方向展开"},
    {37, "从四角向中间展开"},
    {38, "从中间向四角展开"},
    {39, "从四角向中间飞进"},
    {40, "从中间向四角飞出"},
    {41, "从左到右光栅阶梯展开"},
    {42, "从右到左光栅阶梯展开"},
    {43, "从上到下光栅阶梯展开"},
    {44, "从下到上光栅阶梯展开"},
    {45, "顺时针旋转由小变大"},
    {46, "逆时针旋转由小变大"},
    {47, "顺时针旋转由大变小"},
    {48, "逆时针旋转由大变小"},
    {49, "百叶窗式从左到右展开"},
    {50, "百叶窗式从上到下展开"},
    {51, "对角线左上到右下展开"},
    {52, "对角线左下到右上展开"},
    {53, "对角线右上到左下展开"},
    {54, "对角线右下到左上展开"},
    {55, "从中间向四周展开(菱)"},
    {56, "从四周向中间展开(菱)"},
    {57, "风车"},
    {58, "从中间向四周展开(X)"},
    {59, "从四周向中间展开(X)"},
    {60, "绕左边向外翻转进来"},
    {61, "绕右边向外翻转进来"},
    {62, "绕上边向外翻转进来"},
    {63, "绕下边向外翻转进来"},
    {64, "对角线互动扫描进来"},
    {65, "对角线互动扫描出去"},
    {66, "从四周向中间缩小"},
    {67, "从左右两边向中间缩小"},
    {68, "从上下两边向中间缩小"},
    {69, "从左向右滑出"},
    {70, "从右向左滑出"},
    {71, "从上向下滑出"},
    {72, "从下向上滑出"},
    {73, "箭头从左到右展开"},
    {74, "箭头从右到左展开"},
    {75, "箭头从上到下展开"},
    {76, "箭头从下到上展开"},
    {77, "下方向两边扫射展开"},
    {78, "上方向两边扫射展开"},
    {79, "左方向两边扫射展开"},
    {80, "右方向两边扫射展开"},
    {81, "向左上角逐渐缩小"},
    {82, "向左下角逐渐缩小"},
    {83, "向右上角逐渐缩小"},
    {84, "向右下角逐渐缩小"},
    {85, "从左向右滑入"},
    {86, "从右向左滑入"},
    {87, "从上向下滑入"},
    {88, "从下向上滑入"},
    {89, "从上移到中间由小变大"},
    {90, "从下移到中间由小变大"},
    {91, "从左移到中间由小变大"},
    {92, "从右移到中间由小变大"},
    {95, "左右开门"},
    {96, "上下开门"},
    {97, "左右关门"},
    {98, "上下关门"},
}};

// Direct index → name table with empty holes, so lookups during rendering cost nothing.
constexpr int kIndexSlots = 100;

constexpr std::array<std::string_view, kIndexSlots> buildNameSlots() {
    std::array<std::string_view, kIndexSlots> slots{};
    for (const TransitionEntry& entry : kCatalogue) {
        slots[static_cast<std::size_t>(entry.index)] = entry.name;
    }
    return slots;
}

constexpr std::array<std::string_view, kIndexSlots> kNameSlots = buildNameSlots();

constexpr std::string_view kSeparator = kPickerSeparator;

constexpr std::array kPickerTexts = std::to_array<std::string_view>({
    kNoTransitionName,
    kSeparator,
    "淡入淡出",
    "逐渐缩小",
    "逐渐放大",
    kSeparator,
    "9点顺时针方向展开",
    "9点逆时针方向展开",
    "12点顺时针方向展开",
    "12点逆时针方向展开",
    "顺逆时针方向同时展开",
    "风车",
    kSeparator,
    "从中间向四周展开(方)",
    "从中间向四周展开(圆)",
    "从中间向四周展开(菱)",
    "从中间向四周展开(X)",
    "从中间向左右展开",
    "从中间向上下展开",
    kSeparator,
    "从四周向中间展开(方)",
    "从四周向中间展开(圆)",
    "从四周向中间展开(菱)",
    "从四周向中间展开(X)",
    "从左右两侧向中间展开",
    "从上下两侧向中间展开",
    kSeparator,
    "从左上角展开",
    "从左下角展开",
    "从右上角展开",
    "从右下角展开",
    kSeparator,
    "从左向右展开",
    "从右向左展开",
    "从上向下展开",
    "从下向上展开",
    kSeparator,
    "从左到右光栅阶梯展开",
    "从右到左光栅阶梯展开",
    "从上到下光栅阶梯展开",
    "从下到上光栅阶梯展开",
    kSeparator,
    "百叶窗式从左到右展开",
    "百叶窗式从上到下展开",
    kSeparator,
    "箭头从左到右展开",
    "箭头从右到左展开",
    "箭头从上到下展开",
    "箭头从下到上展开",
    kSeparator,
    "对角线左上到右下展开",
    "对角线左下到右上展开",
    "对角线右上到左下展开",
    "对角线右下到左上展开",
    kSeparator,
    "对角线互动扫描进来",
    "对角线互动扫描出去",
    kSeparator,
    "下方向两边扫射展开",
    "上方向两边扫射展开",
    "左方向两边扫射展开",
    "右方向两边扫射展开",
    kSeparator,
    "从左上角由小变大",
    "从左下角由小变大",
    "从右上角由小变大",
    "从右下角由小变大",
    kSeparator,
    "从中间由小变大",
    "从左侧中间由小变大",
    "从上侧中间由小变大",
    "从右侧中间由小变大",
    "从下侧中间由小变大",
    kSeparator,
    "从上移到中间由小变大",
    "从下移到中间由小变大",
    "从左移到中间由小变大",
    "从右移到中间由小变大",
    kSeparator,
    "向左上角逐渐缩小",
    "向左下角逐渐缩小",
    "向右上角逐渐缩小",
    "向右下角逐渐缩小",
    kSeparator,
    "从四周向中间缩小",
    "从左右两边向中间缩小",
    "从上下两边向中间缩小",
    kSeparator,
    "从左向右拖出",
    "从右向左拖出",
    "从上向下拖出",
    "从下向上拖出",
    kSeparator,
    "从左向右滑入",
    "从右向左滑入",
    "从上向下滑入",
    "从下向上滑入",
    kSeparator,
    "从左向右滑出",
    "从右向左滑出",
    "从上向下滑出",
    "从下向上滑出",
    kSeparator,
    "顺时针旋转由小变大",
    "逆时针旋转由小变大",
    "顺时针旋转由大变小",
    "逆时针旋转由大变小",
    kSeparator,
    "从四角向中间展开",
    "从中间向四角展开",
    "从四角向中间飞进",
    "从中间向四角飞出",
    kSeparator,
    "绕左边向外翻转进来",
    "绕右边向外翻转进来",
    "绕上边向外翻转进来",
    "绕下边向外翻转进来",
    kSeparator,
    "左右开门",
    "上下开门",
    "左右关门",
    "上下关门",
});

static_assert(kPickerTexts.size() == 1 + 24 + kTransitionCount);

} // namespace

std::span<const TransitionEntry, kTransitionCount> transitionCatalogue() {
    return kCatalogue;
}

std::optional<std::string_view> transitionName(int index) {
    if (index < 0 || index >= kIndexSlots) {
        return std::nullopt;
    }
    const std::string_view name = kNameSlots[static_cast<std::size_t>(index)];
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

std::string_view transitionNameOrNone(int index) {
    return transitionName(index).value_or(kNoTransitionName);
}

int transitionIndexForName(std::string_view name) {
    const auto found = std::find_if(kCatalogue.begin(), kCatalogue.end(),
                                    [name](const TransitionEntry& e) { return e.name == name; });
    return found == kCatalogue.end() ? NO_TRANSITION : found->index;
}

std::span<const std::string_view> transitionPickerTexts() {
    return kPickerTexts;
}

std::optional<int> pickerChoiceToIndex(std::string_view text) {
    if (text.find("---") != std::string_view::npos) {
        return std::nullopt;
    }
    return transitionIndexForName(text);
}

} // namespace velomira
