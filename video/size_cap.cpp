#include "video/size_cap.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace velomira {

namespace {

constexpr const char* kCaption = "提示";
// The share of the cap the first encode aims at: a one-pass encoder lands within a few per cent
// of its rate, and the file must not pass the cap.
constexpr double kFirstTarget = 0.95;
// A later encode aims this much under the share the last one should have used.
constexpr double kRetryMargin = 0.96;
constexpr double kMinimumKbpsAt720p = 300.0;
constexpr double kPixels720p = 1280.0 * 720.0;

// Box headers, the sample tables (a few bytes per video and sound frame) and the tags.
double containerBytes(double seconds) {
    return 16000.0 + 600.0 * seconds;
}

double audioBytes(const SizeCapInput& input) {
    // The sound encoder keeps close to its rate; a few per cent for its frame headers.
    return input.audioKbps * 1000.0 / 8.0 * input.seconds * 1.03;
}

std::string megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f MB", bytes / 1e6);
    return text;
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

Failure tooLowRate(const SizeCapInput& input, int videoKbps) {
    return {"按文件大小上限 " + sizeCapText(input.capBytes) + "，" + secondsText(input.seconds) +
                " 秒的视频只能使用约 " + std::to_string(std::max(videoKbps, 0)) +
                " kbit/s 的画面码率，低于 " + std::to_string(input.width) + " x " +
                std::to_string(input.height) + " 可以看清的最低码率 " +
                std::to_string(minimumVideoKbps(input.width, input.height)) +
                " kbit/s。\n\n请选择更小的视频尺寸，或缩短相册（减少图片或缩短显示时间）。",
            kCaption, MessageKind::Warning};
}

// The rate that spends videoBytes over the album's length.
SizeCapPlan rateFor(const SizeCapInput& input, double videoBytes) {
    const int kbps = static_cast<int>(std::floor(videoBytes * 8.0 / 1000.0 / input.seconds));
    if (kbps < minimumVideoKbps(input.width, input.height))
        return {0, tooLowRate(input, kbps)};
    return {kbps, std::nullopt};
}

} // namespace

std::uint64_t parseSizeText(const std::string& text) {
    std::size_t end = 0;
    double value = 0;
    try {
        value = std::stod(text, &end);
    } catch (...) {
        return 0;
    }
    if (!std::isfinite(value) || value <= 0 || !std::isdigit(static_cast<unsigned char>(text[0])))
        return 0;
    std::string unit = text.substr(end);
    for (char& c : unit)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    double scale = 0;
    if (unit.empty() || unit == "M" || unit == "MB")
        scale = 1e6;
    else if (unit == "K" || unit == "KB")
        scale = 1e3;
    else if (unit == "G" || unit == "GB")
        scale = 1e9;
    const double bytes = value * scale;
    if (scale == 0 || bytes < 1 || bytes > 1e13)
        return 0;
    return static_cast<std::uint64_t>(bytes);
}

std::string sizeCapText(std::uint64_t bytes) {
    return megabytes(static_cast<double>(bytes));
}

int minimumVideoKbps(int width, int height) {
    const double pixels = static_cast<double>(std::max(width, 1)) * std::max(height, 1);
    return std::max(1, static_cast<int>(std::ceil(kMinimumKbpsAt720p * pixels / kPixels720p)));
}

SizeCapPlan planSizeCap(const SizeCapInput& input) {
    const double others = audioBytes(input) + containerBytes(input.seconds) + input.coverBytes;
    if (input.audioKbps > 0 && static_cast<double>(input.capBytes) <= others) {
        return {0, Failure{"文件大小上限 " + sizeCapText(input.capBytes) + " 太小：" +
                               secondsText(input.seconds) + " 秒的背景音乐（" +
                               std::to_string(input.audioKbps) + " kbit/s）就需要约 " +
                               megabytes(others) +
                               "。\n\n请提高文件大小上限，或缩短相册，或关闭背景音乐。",
                           kCaption, MessageKind::Warning}};
    }
    return rateFor(input, kFirstTarget * static_cast<double>(input.capBytes) - others);
}

SizeCapPlan nextSizeCapRate(const SizeCapInput& input, int lastKbps, std::uint64_t fileBytes) {
    const double others = audioBytes(input) + containerBytes(input.seconds) + input.coverBytes;
    const double spent = std::max(1.0, static_cast<double>(fileBytes) - others);
    const double allowed = kFirstTarget * static_cast<double>(input.capBytes) - others;
    const double planned = lastKbps * 1000.0 / 8.0 * input.seconds;
    // The encoder overran its rate by spent / planned; the next one gets that much less.
    return rateFor(input, kRetryMargin * allowed * planned / spent);
}

Failure sizeCapMissed(std::uint64_t capBytes, std::uint64_t fileBytes) {
    return {"编码 " + std::to_string(kMaxSizeCapEncodes) + " 次后视频仍有 " +
                megabytes(static_cast<double>(fileBytes)) + "，大于文件大小上限 " +
                sizeCapText(capBytes) +
                "，没有保存；原有的文件保持不变。\n\n请选择更小的视频尺寸，或缩短相册。",
            kCaption, MessageKind::Warning};
}

} // namespace velomira
