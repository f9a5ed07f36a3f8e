#pragma once
// Pictures with a known subject: a free photograph that Debian ships (python3-skimage's data)
// pasted off-centre into a canvas of noise, so that where the subject is comes from where it
// was pasted.
#include <optional>
#include <string>

namespace velomira::testing {

// A rectangle in canvas pixels.
struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The shipped photographs and the subject's box in each (in its own pixels).
struct SubjectPhoto {
    const char* fileName; // in python3-skimage's data folder
    Box subject;
};
// The astronaut's face and the cat's head.
inline constexpr SubjectPhoto kAstronaut{"astronaut.png", {165, 60, 135, 150}};
inline constexpr SubjectPhoto kCat{"chelsea.png", {110, 20, 220, 200}};

// The path of a shipped photograph, found where python3-skimage installs its data; nothing
// when the package is missing.
std::optional<std::string> shippedPhoto(const char* fileName);

// Writes a canvasWidth x canvasHeight PNG (a JPEG for a .jpg path) of grey noise (from seed) with
// the photograph pasted at (x, y), scaled by scale; returns the subject's box in the canvas. Throws
// std::runtime_error when the picture cannot be made.
Box writePastedPhoto(const std::string& path, const std::string& photo, const Box& subject,
                     int canvasWidth, int canvasHeight, int x, int y, double scale, unsigned seed);

} // namespace velomira::testing
