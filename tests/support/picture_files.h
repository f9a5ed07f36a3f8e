#pragma once
// Test pictures written with the imaging library. Solid colours keep pixel probes exact.
// Every writer returns the path it wrote, or throws std::runtime_error when it could not.
#include <wand/MagickWand.h>

#include <string>

namespace velomira::testing {

// A width x height picture of one colour ("#rrggbb"); format is "jpg", "png", "bmp" or "gif".
std::string writeSolidPicture(const std::string& path, int width, int height,
                              const std::string& colour, const std::string& format);

// A two-frame GIF animation (first colour, then second), 0.1 s per frame.
std::string writeAnimatedGif(const std::string& path, int width, int height,
                             const std::string& firstColour, const std::string& secondColour);

// A JPEG in the CMYK colourspace showing the colour.
std::string writeCmykJpeg(const std::string& path, int width, int height,
                          const std::string& colour);

// A PNG whose every pixel is fully transparent.
std::string writeTransparentPng(const std::string& path, int width, int height);

// A 32-bit BMP with an alpha channel; colour may carry alpha ("#ff000080").
std::string writeBmpWithAlpha(const std::string& path, int width, int height,
                              const std::string& colour);

// A JPEG with a diagonal colour gradient and a little noise, like a photograph.
std::string writeGradientJpeg(const std::string& path, int width, int height);

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

// The 8-bit colour of one pixel of the wand's current image.
Rgb pixelAt(MagickWand* wand, long x, long y);

// True when every channel differs by at most tolerance.
bool near(const Rgb& a, const Rgb& b, int tolerance = 2);

} // namespace velomira::testing
