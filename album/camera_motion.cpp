#include "album/camera_motion.h"

#include <array>

namespace velomira {

namespace {

constexpr std::array<const char*, kCameraMotionCount> kNames{
    "none", "zoom-in", "zoom-out", "pan-left", "pan-right", "pan-up", "pan-down"};

constexpr std::array<const char*, kCameraMotionChoiceCount> kLabels{
    "无", "放大", "缩小", "向左平移", "向右平移", "向上平移", "向下平移", "随机"};

constexpr int kRandomIndex = kCameraMotionCount;

} // namespace

CameraMotion cameraMotionFromNumber(int number) {
    return number >= 1 && number < kCameraMotionCount ? static_cast<CameraMotion>(number)
                                                      : CameraMotion::None;
}

int cameraMotionNumber(CameraMotion motion) {
    return static_cast<int>(motion);
}

CameraMotion drawCameraMotion(std::mt19937& engine) {
    std::uniform_int_distribution<int> move(1, kCameraMotionCount - 1);
    return static_cast<CameraMotion>(move(engine));
}

CameraMotion resolveCameraMotion(const CameraMotionChoice& choice, std::mt19937& engine) {
    return choice.random ? drawCameraMotion(engine) : choice.motion;
}

std::optional<CameraMotionChoice> cameraMotionChoiceFromName(std::string_view name) {
    if (name == "random")
        return CameraMotionChoice{true, CameraMotion::None};
    for (int i = 0; i < kCameraMotionCount; ++i) {
        if (name == kNames[static_cast<std::size_t>(i)])
            return CameraMotionChoice{false, static_cast<CameraMotion>(i)};
    }
    return std::nullopt;
}

const char* cameraMotionName(CameraMotion motion) {
    return kNames[static_cast<std::size_t>(cameraMotionNumber(motion))];
}

const char* cameraMotionChoiceLabel(int index) {
    return index >= 0 && index < kCameraMotionChoiceCount ? kLabels[static_cast<std::size_t>(index)]
                                                          : "";
}

CameraMotionChoice cameraMotionChoiceAt(int index) {
    if (index == kRandomIndex)
        return {true, CameraMotion::None};
    return {false, cameraMotionFromNumber(index)};
}

int cameraMotionChoiceIndex(const CameraMotionChoice& choice) {
    return choice.random ? kRandomIndex : cameraMotionNumber(choice.motion);
}

} // namespace velomira
