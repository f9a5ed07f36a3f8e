#pragma once
// The slow camera move over a picture while it is held on screen: its values as the model and
// the project file keep them, their names on the command line, and their labels in the window.
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace velomira {

// Stored in the project file as its number; None is never written.
enum class CameraMotion {
    None = 0,
    ZoomIn = 1,
    ZoomOut = 2,
    PanLeft = 3,
    PanRight = 4,
    PanUp = 5,
    PanDown = 6,
};

inline constexpr int kCameraMotionCount = 7; // None and the six moves

// The value of a stored number: 1..6 are the moves, anything else (a hand-edited 99 or -3)
// reads as none, so an unknown value never fails a file.
CameraMotion cameraMotionFromNumber(int number);
int cameraMotionNumber(CameraMotion motion);

// What the user picks: one of the motions or "random", which is resolved when it is picked and
// stored as the motion it drew.
struct CameraMotionChoice {
    bool random = false;
    CameraMotion motion = CameraMotion::None;
};

// A move drawn from the six (never none).
CameraMotion drawCameraMotion(std::mt19937& engine);
CameraMotion resolveCameraMotion(const CameraMotionChoice& choice, std::mt19937& engine);

// Command-line names: none, zoom-in, zoom-out, pan-left, pan-right, pan-up, pan-down, random.
std::optional<CameraMotionChoice> cameraMotionChoiceFromName(std::string_view name);
const char* cameraMotionName(CameraMotion motion);

// Window labels, in menu order: the seven motions by their numbers, then random.
inline constexpr int kCameraMotionChoiceCount = kCameraMotionCount + 1;
const char* cameraMotionChoiceLabel(int index);
CameraMotionChoice cameraMotionChoiceAt(int index);
int cameraMotionChoiceIndex(const CameraMotionChoice& choice);

} // namespace velomira
