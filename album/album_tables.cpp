#include "album/album_tables.h"

#include "app/string_utils.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

namespace velomira {

namespace {

constexpr std::array<std::string_view, kCaptionLocationCount> kCaptionLocations{
    "贴边   - 左侧上方", "贴边   - 左侧下方", "贴边   - 右侧上方", "贴边   - 右侧下方", "中间下方",
    "不贴边 - 左侧上方", "不贴边 - 左侧下方", "不贴边 - 右侧上方", "不贴边 - 右侧下方",
};

constexpr std::array<CaptionColour, kCaptionColourCount> kCaptionColours{{
    {"黑底白字", rgb(0x00, 0x00, 0x00), rgb(0xff, 0xff, 0xff)},
    {"黑底黄字", rgb(0x00, 0x00, 0x00), rgb(0xff, 0xff, 0x00)},
    {"黑底蓝字", rgb(0x00, 0x00, 0x00), rgb(0x00, 0x80, 0xff)},
    {"黑底绿字", rgb(0x00, 0x00, 0x00), rgb(0x00, 0xff, 0x00)},
    {"白底黑字", rgb(0xff, 0xff, 0xff), rgb(0x00, 0x00, 0x00)},
    {"白底蓝字", rgb(0xff, 0xff, 0xff), rgb(0x00, 0x00, 0xff)},
    {"白底绿字", rgb(0xff, 0xff, 0xff), rgb(0x00, 0x40, 0x00)},
    {"粉底白字", rgb(0xff, 0x61, 0x9d), rgb(0xff, 0xff, 0xff)},
    {"白色", rgb(0xff, 0xff, 0xff), rgb(0xff, 0xff, 0xff)},
    {"黑色", rgb(0x00, 0x00, 0x00), rgb(0x00, 0x00, 0x00)},
    {"粉色", rgb(0xff, 0x61, 0x9d), rgb(0xff, 0x61, 0x9d)},
    {"蓝色", rgb(0x00, 0x80, 0xff), rgb(0x00, 0x80, 0xff)},
    {"黄色", rgb(0xff, 0x80, 0x00), rgb(0xff, 0x80, 0x00)},
    {"绿色", rgb(0x00, 0x80, 0x00), rgb(0x00, 0x80, 0x00)},
}};

constexpr std::array<PauseTime, kPauseTimeCount> kPauseTimes{{
    {"0.1秒", 0.1}, {"0.12秒", 0.13}, {"0.16秒", 0.18}, {"0.2秒", 0.2}, {"0.3秒", 0.3},
    {"0.4秒", 0.4}, {"0.5秒", 0.5},   {"0.6秒", 0.6},   {"0.7秒", 0.7}, {"0.8秒", 0.8},
    {"0.9秒", 0.9}, {"1.0秒", 1.0},   {"1.1秒", 1.1},   {"1.2秒", 1.2}, {"1.3秒", 1.3},
    {"1.4秒", 1.4}, {"1.5秒", 1.5},   {"1.6秒", 1.6},   {"1.7秒", 1.7}, {"1.8秒", 1.8},
    {"1.9秒", 1.9}, {"2.0秒", 2.0},   {"2.2秒", 2.2},   {"2.4秒", 2.4}, {"2.6秒", 2.6},
    {"2.8秒", 2.8}, {"3.0秒", 3.0},   {"3.2秒", 3.2},   {"3.4秒", 3.4}, {"3.6秒", 3.6},
    {"3.8秒", 3.8}, {"4.0秒", 4.0},   {"4.5秒", 4.5},   {"5.0秒", 5.0}, {"5.5秒", 5.5},
    {"6.0秒", 6.0}, {"7.0秒", 7.0},   {"8.0秒", 8.0},
}};

constexpr std::array<VideoSizePreset, kVideoSizePresetCount> kVideoSizePresets{{
    {"      ( 400 x  400)", 400, 400},   {" 16:9 ( 480 x  270)", 480, 270},
    {"  4:3 ( 480 x  360)", 480, 360},   {" 16:9 ( 640 x  360)", 640, 360},
    {"  4:3 ( 640 x  480)", 640, 480},   {"      ( 640 x  640)", 640, 640},
    {"  4:3 ( 720 x  540)", 720, 540},   {"      ( 720 x  720)", 720, 720},
    {"  3:4 ( 720 x  960)", 720, 960},   {"  3:4 ( 750 x 1000)", 750, 1000},
    {" 16:9 ( 800 x  450)", 800, 450},   {"  4:3 ( 800 x  600)", 800, 600},
    {"      ( 800 x  800)", 800, 800},   {" 16:9 (1024 x  576)", 1024, 576},
    {"  4:3 (1024 x  768)", 1024, 768},  {" 720p (1280 x  720)", 1280, 720},
    {"1080p (1920 x 1080)", 1920, 1080}, {" 9:16 (1080 x 1920)", 1080, 1920},
    {" 9:16 ( 720 x 1280)", 720, 1280},  {"  4:5 (1080 x 1350)", 1080, 1350},
    {"  1:1 (1080 x 1080)", 1080, 1080}, {"   4K (3840 x 2160)", 3840, 2160},
}};

constexpr std::array<int, kCaptionFontSizeCount> kCaptionFontSizes{12, 14, 16, 18, 20, 24, 28,
                                                                   32, 36, 42, 48, 56, 64};

constexpr std::array<std::string_view, kLogoLocationCount> kLogoLocations{
    "左侧上方",
    "左侧下方",
    "右侧上方",
    "右侧下方",
};

constexpr std::string_view kSecondsSuffix = "秒";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads decimal digits as a positive int; nothing on other characters or overflow.
std::optional<int> parseDigits(std::string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : digits) {
        if (!isDigit(c) || value > (INT_MAX - (c - '0')) / 10) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

const std::array<std::string_view, kCaptionLocationCount>& captionLocationLabels() {
    return kCaptionLocations;
}

std::string colorRefToHex(ColorRef colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour & 0xffu, (colour >> 8) & 0xffu,
                  (colour >> 16) & 0xffu);
    return text;
}

const std::array<CaptionColour, kCaptionColourCount>& captionColourTable() {
    return kCaptionColours;
}

std::optional<CaptionColour> captionColourAt(int index) {
    if (index < 0 || index >= kCaptionColourCount) {
        return std::nullopt;
    }
    return kCaptionColours[static_cast<std::size_t>(index)];
}

const std::array<PauseTime, kPauseTimeCount>& pauseTimeTable() {
    return kPauseTimes;
}

int stillFramesForSeconds(float seconds) {
    // The product must be formed in single precision: 0.13f × 25 is just below 3.25 but 1.4f
    // × 25 rounds up to exactly 35, and the frame counts depend on both.
    const float frames = seconds * 25.0f;
    if (std::isnan(frames)) {
        return 0;
    }
    if (frames >= 2147483648.0f) {
        return INT_MAX;
    }
    if (frames <= -2147483648.0f) {
        return INT_MIN;
    }
    return static_cast<int>(frames);
}

std::optional<int> stillFramesForPauseTime(int index) {
    if (index < 0 || index >= kPauseTimeCount) {
        return std::nullopt;
    }
    return stillFramesForSeconds(
        static_cast<float>(kPauseTimes[static_cast<std::size_t>(index)].seconds));
}

std::optional<int> stillFramesForDisplayTimeText(std::string_view text) {
    text = trimmed(text);
    if (text.ends_with(kSecondsSuffix)) {
        text.remove_suffix(kSecondsSuffix.size());
        text = trimmed(text);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Only plain decimals: from_chars alone would also take "inf", "nan" and exponents.
    int digits = 0;
    int points = 0;
    for (char c : text) {
        if (isDigit(c)) {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1) {
        return std::nullopt;
    }
    float seconds = 0.0f;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return stillFramesForSeconds(negative ? -seconds : seconds);
}

const std::array<VideoSizePreset, kVideoSizePresetCount>& videoSizePresets() {
    return kVideoSizePresets;
}

std::vector<std::string> defaultVideoSizeTexts() {
    std::vector<std::string> texts;
    texts.reserve(kVideoSizePresetCount + 1);
    texts.emplace_back();
    for (const VideoSizePreset& preset : kVideoSizePresets) {
        texts.push_back(videoSizeText(preset.width, preset.height));
    }
    return texts;
}

std::optional<VideoSize> parseVideoSizeText(std::string_view text) {
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> width = parseDigits(text.substr(0, cross));
    const std::optional<int> height = parseDigits(text.substr(cross + 1));
    if (!width || !height || *width < kMinVideoSide || *width > kMaxVideoWidth ||
        *height < kMinVideoSide || *height > kMaxVideoHeight) {
        return std::nullopt;
    }
    return VideoSize{*width, *height};
}

std::string videoSizeText(int width, int height) {
    char text[32];
    std::snprintf(text, sizeof text, "%dx%d", width, height);
    return text;
}

const std::array<int, kCaptionFontSizeCount>& captionFontSizes() {
    return kCaptionFontSizes;
}

std::optional<int> captionPointSizeAt(int index) {
    if (index < 0 || index >= kCaptionFontSizeCount) {
        return std::nullopt;
    }
    return kCaptionFontSizes[static_cast<std::size_t>(index)];
}

const std::array<std::string_view, kLogoLocationCount>& logoLocationLabels() {
    return kLogoLocations;
}

int logoLocationFromStored(int stored) {
    return stored >= 0 && stored < kLogoLocationCount ? stored : kDefaultLogoLocation;
}

int loopPlayAnimationFromStored(std::int64_t stored) {
    return stored < 0 || stored > 99 ? 33 : static_cast<int>(stored);
}

} // namespace velomira
