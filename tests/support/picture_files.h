#pragma once
// Test pictures written with the imaging library. Solid colours keep pixel probes exact.
// Every writer returns the path it wrote, or throws std::runtime_error when it could not.
#include <wand/MagickWand.h>

#include <string>
#include <vector>

namespace velomira::testing {

// A width x height picture of one colour ("#rrggbb"); format is "jpg", "png", "bmp" or "gif".
std::string writeSolidPicture(const std::string& path, int width, int height,
                              const std::string& colour, const std::string& format);

// A two-frame GIF animation (first colour, then second), 0.1 s per frame.
std::string writeAnimatedGif(const std::string& path, int width, int height,
                             const std::string& firstColour, const std::string& secondColour);

// One frame of a hand-made GIF: a w x h rectangle at (x, y) of palette indices (row by row),
// with its own palette of up to 256 colours ("#rrggbb"), left in place (disposal none).
struct GifFrame {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<std::string> palette;
    std::vector<unsigned char> indices;
    int transparentIndex = -1;
    int delay = 10; // hundredths of a second
};
// Writes the frames byte by byte (the imaging library's writer quantises every frame, which
// costs more than all the rest of a test).
std::string writeGifFrames(const std::string& path, int width, int height,
                           const std::vector<GifFrame>& frames);

// A GIF animation of `frames` frames, 0.1 s each. With patch 0 every frame is a whole picture
// of gifFrameColour(k). Otherwise only frame 0 is whole (background colour, or transparent with
// transparentBackground) and frame k > 0 is a patch x patch square of gifFrameColour(k) at
// gifPatchOrigin(k, ...), left in place for the frames after it.
struct GifAnimationSpec {
    int width = 160;
    int height = 90;
    int frames = 2;
    int patch = 0;
    std::string background = "#3366cc";
    bool transparentBackground = false;
};
std::string writeGifAnimation(const std::string& path, const GifAnimationSpec& spec);
// Distinct, GIF-exact colours ("#rrggbb") for frame k.
std::string gifFrameColour(int k);
struct Point {
    long x = 0;
    long y = 0;
};
// Where frame k's patch sits: walking along the rows, wrapping inside the picture.
Point gifPatchOrigin(int k, int width, int height, int patch);

// A JPEG of random pixels from the seed: detail that an encoder cannot squeeze away.
std::string writeNoiseJpeg(const std::string& path, int width, int height, unsigned seed);

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
// Its alpha, 0 (transparent) to 255.
int alphaAt(MagickWand* wand, long x, long y);
// Parses "#rrggbb".
Rgb rgbOf(const std::string& colour);

// True when every channel differs by at most tolerance.
bool near(const Rgb& a, const Rgb& b, int tolerance = 2);

} // namespace velomira::testing
