#include "video/output_limits.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace velomira {

namespace {

// The cover tool stores the artwork at most 512 x 512; a photo's JPEG of that size stays below
// this, and a smaller source file bounds it better.
constexpr std::uint64_t kCoverBytesBound = 150000;

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

} // namespace

SizeCapInput sizeCapInputFor(const AlbumProject& project, const RunPlan& plan,
                             std::uint64_t capBytes) {
    const VideoSettings& settings = project.settings;
    SizeCapInput input;
    input.capBytes = capBytes;
    input.seconds = std::max(plan.videoLength, 0.04f);
    if (settings.bgsound && !project.musicItems.empty())
        input.audioKbps = settings.audioBitrateKbps;
    input.width = settings.videoWidth;
    input.height = settings.videoHeight;
    if (settings.cover && !settings.coverPath.empty()) {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(settings.coverPath, error);
        input.coverBytes =
            error ? kCoverBytesBound : std::min<std::uint64_t>(bytes, kCoverBytesBound);
    }
    return input;
}

std::optional<Failure> checkOutputLimits(const AlbumProject& project, const RunPlan& plan,
                                         const OutputLimits& limits) {
    if (limits.maxSeconds > 0 && plan.videoLength > limits.maxSeconds + 1e-3) {
        const std::string preset =
            limits.presetName.empty() ? "所选预设" : "预设“" + limits.presetName + "”";
        return Failure{"相册的视频长度为 " + secondsText(plan.videoLength) + " 秒，超过了" +
                           preset + "允许的最长 " + secondsText(limits.maxSeconds) +
                           " 秒。\n\n请减少图片或缩短显示时间，或选择其他预设。",
                       "提示", MessageKind::Warning};
    }
    if (limits.maxBytes == 0)
        return std::nullopt;
    return planSizeCap(sizeCapInputFor(project, plan, limits.maxBytes)).refusal;
}

} // namespace velomira
