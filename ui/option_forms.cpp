#include "ui/option_forms.h"

#include "album/transition_catalogue.h"
#include "app/string_utils.h"
#include "app/text_conversion.h"

#include <charconv>
#include <optional>

namespace velomira {

namespace {

bool allDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The value of a digits-only text; anything else (or more than fits) is no size.
std::optional<int> sizeValue(std::string_view text) {
    if (!allDigits(text))
        return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool isOdd(const std::optional<int>& value) {
    return value && *value % 2 != 0;
}

bool inRange(const std::optional<int>& value, int low, int high) {
    return value && *value >= low && *value <= high;
}

struct MarginMessages {
    const char* empty;
    const char* notANumber;
    const char* outOfRange;
};

// Indexed by MarginField.
constexpr std::array<MarginMessages, kMarginFieldCount> kMarginMessages{{
    {"请输入【加文字】 位置：【中间下方】的【下边距】",
     "输入的【加文字】 位置：【中间下方】的【下边距】有误！\n\n请输入一个数值, 支持小数。",
     "输入的【加文字】 位置：【中间下方】的下边距有误！\n\n请输入一个 0.01 ～ 49.99 "
     "范围内的值, 支持小数。"},
    {"请输入【左边距】", "输入的【左边距】有误！\n\n 请输入一个数值, 支持小数。",
     "输入的【左边距】有误！\n\n请输入一个 0.01 ～ 49.99 范围内的值, 支持小数。"},
    {"请输入【右边距】", "输入的【右边距】有误！\n\n请输入一个数值, 支持小数。",
     "输入的【右边距】有误！\n\n请输入一个 0.01 ～ 49.99 范围内的值, 支持小数。"},
    {"请输入【上边距】", "输入的【上边距】有误！\n\n请输入一个数值, 支持小数。",
     "输入的【上边距】有误！\n\n请输入一个 0.01 ～ 49.99 范围内的值, 支持小数。"},
    {"请输入【下边距】", "输入的【下边距】有误！\n\n请输入一个数值, 支持小数。",
     "输入的【下边距】有误！\n\n请输入一个 0.01 ～ 49.99 范围内的值, 支持小数。"},
}};

std::string percentText(float fraction) {
    char buffer[64];
    // to_chars ignores the locale, so the point stays a point whatever the toolkit set.
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(fraction) * 100.0,
                      std::chars_format::fixed, 2);
    if (error != std::errc())
        return {};
    return std::string(buffer, end);
}

float& marginOf(CaptionMargins& margins, MarginField field) {
    switch (field) {
    case MarginField::CenterBottom:
        return margins.centerBottom;
    case MarginField::Left:
        return margins.left;
    case MarginField::Right:
        return margins.right;
    case MarginField::Top:
        return margins.top;
    case MarginField::Bottom:
        break;
    }
    return margins.bottom;
}

} // namespace

bool captionTextFits(std::string_view utf8) {
    return gbkByteLength(utf8) <= static_cast<size_t>(kCaptionTextBytes);
}

std::variant<VideoSize, CustomSizeRefusal> checkCustomVideoSize(std::string_view width,
                                                                std::string_view height) {
    using F = CustomSizeField;
    if (width.empty())
        return CustomSizeRefusal{"请输入视频的宽度", kOptionFormTitle, F::Width};
    if (height.empty())
        return CustomSizeRefusal{"请输入视频的高度", kOptionFormTitle, F::Height};
    const std::optional<int> w = sizeValue(width);
    const std::optional<int> h = sizeValue(height);
    if (isOdd(w))
        return CustomSizeRefusal{"视频的宽度必须是偶数(能被2整除)", kOptionFormTitle, F::Width};
    if (isOdd(h))
        return CustomSizeRefusal{"视频的高度必须是偶数(能被2整除)", kOptionFormTitle, F::Height};
    if (!inRange(w, kCustomMinSide, kCustomMaxWidth))
        return CustomSizeRefusal{"视频的宽度必须在 128 - 3840 之间", kOptionFormTitle, F::Width};
    if (!inRange(h, kCustomMinSide, kCustomMaxHeight))
        return CustomSizeRefusal{"视频的高度必须在 128 - 2160 之间", kOptionFormTitle, F::Height};
    return VideoSize{*w, *h};
}

std::vector<std::string> loopPlayListEntries() {
    std::vector<std::string> entries;
    for (std::string_view text : transitionPickerTexts())
        entries.emplace_back(text);
    return entries;
}

int loopPlaySelectionFor(int currentIndex) {
    const std::string_view name = transitionNameOrNone(currentIndex);
    const auto texts = transitionPickerTexts();
    for (size_t row = 0; row < texts.size(); ++row) {
        if (texts[row] == name)
            return static_cast<int>(row);
    }
    return 0;
}

int loopPlaySelectionAfterCloseUp(int row) {
    const auto texts = transitionPickerTexts();
    if (row < 0 || static_cast<size_t>(row) >= texts.size())
        return 0;
    return pickerChoiceToIndex(texts[static_cast<size_t>(row)]) ? row : 0;
}

int loopPlayChoiceFromText(std::string_view text) {
    return pickerChoiceToIndex(text).value_or(NO_TRANSITION);
}

bool isMarginNumber(std::string_view text) {
    size_t at = 0;
    if (at < text.size() && text[at] == '-')
        ++at;
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return false;
    bool point = false;
    for (++at; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point)
            point = true;
        else if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::variant<CaptionMargins, MarginRefusal> checkCaptionMargins(const MarginTexts& texts) {
    std::array<double, kMarginFieldCount> percents{};
    for (int i = 0; i < kMarginFieldCount; ++i) {
        const auto field = static_cast<MarginField>(i);
        const std::string_view text = trimmed(texts[static_cast<size_t>(i)]);
        if (text.empty())
            return MarginRefusal{kMarginMessages[static_cast<size_t>(i)].empty, kOptionFormTitle,
                                 field};
        double& percent = percents[static_cast<size_t>(i)];
        // The number rule admits only what from_chars reads whole ("5." included).
        if (!isMarginNumber(text) ||
            std::from_chars(text.data(), text.data() + text.size(), percent).ec != std::errc())
            return MarginRefusal{kMarginMessages[static_cast<size_t>(i)].notANumber,
                                 kOptionFormTitle, field};
    }
    CaptionMargins margins;
    for (int i = 0; i < kMarginFieldCount; ++i) {
        const auto field = static_cast<MarginField>(i);
        const double percent = percents[static_cast<size_t>(i)];
        if (!(percent > 0.0 && percent < 50.0))
            return MarginRefusal{kMarginMessages[static_cast<size_t>(i)].outOfRange,
                                 kOptionFormTitle, field};
        marginOf(margins, field) = marginFromPercent(percent);
    }
    return margins;
}

MarginTexts marginTexts(const CaptionMargins& margins) {
    return {percentText(margins.centerBottom), percentText(margins.left),
            percentText(margins.right), percentText(margins.top), percentText(margins.bottom)};
}

MarginTexts defaultMarginTexts() {
    return marginTexts(CaptionMargins{});
}

} // namespace velomira
