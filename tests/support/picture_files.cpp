#include "support/picture_files.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace velomira::testing {

namespace {

struct WandDeleter {
    void operator()(MagickWand* w) const noexcept { DestroyMagickWand(w); }
};
struct PixelDeleter {
    void operator()(PixelWand* p) const noexcept { DestroyPixelWand(p); }
};
using Wand = std::unique_ptr<MagickWand, WandDeleter>;
using Colour = std::unique_ptr<PixelWand, PixelDeleter>;

void startLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { MagickWandGenesis(); });
}

Colour colourOf(const std::string& text) {
    Colour colour(NewPixelWand());
    if (PixelSetColor(colour.get(), text.c_str()) == MagickFalse)
        throw std::runtime_error("bad colour " + text);
    return colour;
}

Wand solid(int width, int height, const std::string& colour) {
    startLibrary();
    Wand wand(NewMagickWand());
    Colour fill = colourOf(colour);
    if (MagickNewImage(wand.get(), static_cast<size_t>(width), static_cast<size_t>(height),
                       fill.get()) == MagickFalse)
        throw std::runtime_error("cannot make a test picture");
    return wand;
}

std::string write(MagickWand* wand, const std::string& path, const char* format,
                  bool adjoin = false) {
    MagickSetImageFormat(wand, format);
    // Through an open file, so that the library reads nothing into the name ("%d", "[1]").
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        throw std::runtime_error("cannot create test picture " + path);
    MagickBooleanType ok =
        adjoin ? MagickWriteImagesFile(wand, file.get()) : MagickWriteImageFile(wand, file.get());
    if (ok == MagickFalse || std::fflush(file.get()) != 0)
        throw std::runtime_error("cannot write test picture " + path);
    return path;
}

const char* formatName(const std::string& format) {
    if (format == "jpg" || format == "jpeg")
        return "JPEG";
    if (format == "png")
        return "PNG";
    if (format == "bmp")
        return "BMP";
    if (format == "gif")
        return "GIF";
    throw std::runtime_error("unknown test picture format " + format);
}

} // namespace

std::string writeSolidPicture(const std::string& path, int width, int height,
                              const std::string& colour, const std::string& format) {
    Wand wand = solid(width, height, colour);
    return write(wand.get(), path, formatName(format));
}

std::string writeAnimatedGif(const std::string& path, int width, int height,
                             const std::string& firstColour, const std::string& secondColour) {
    Wand frames = solid(width, height, firstColour);
    Wand second = solid(width, height, secondColour);
    MagickAddImage(frames.get(), second.get());
    MagickResetIterator(frames.get());
    while (MagickNextImage(frames.get()) != MagickFalse) {
        MagickSetImageDelay(frames.get(), 10);
        MagickSetImageFormat(frames.get(), "GIF");
    }
    return write(frames.get(), path, "GIF", true);
}

std::string writeCmykJpeg(const std::string& path, int width, int height,
                          const std::string& colour) {
    Wand wand = solid(width, height, colour);
    MagickTransformImageColorspace(wand.get(), CMYKColorspace);
    return write(wand.get(), path, "JPEG");
}

std::string writeTransparentPng(const std::string& path, int width, int height) {
    Wand wand = solid(width, height, "#00000000");
    MagickSetImageAlphaChannel(wand.get(), ActivateAlphaChannel);
    return write(wand.get(), path, "PNG32");
}

std::string writeBmpWithAlpha(const std::string& path, int width, int height,
                              const std::string& colour) {
    Wand wand = solid(width, height, colour);
    MagickSetImageAlphaChannel(wand.get(), ActivateAlphaChannel);
    return write(wand.get(), path, "BMP");
}

std::string writeGradientJpeg(const std::string& path, int width, int height) {
    startLibrary();
    Wand wand(NewMagickWand());
    MagickSetSize(wand.get(), static_cast<size_t>(width), static_cast<size_t>(height));
    if (MagickReadImage(wand.get(), "gradient:#2060c0-#f0a030") == MagickFalse)
        throw std::runtime_error("cannot make a gradient");
    MagickAddNoiseImage(wand.get(), GaussianNoise);
    return write(wand.get(), path, "JPEG");
}

Rgb pixelAt(MagickWand* wand, long x, long y) {
    Colour pixel(NewPixelWand());
    if (MagickGetImagePixelColor(wand, x, y, pixel.get()) == MagickFalse)
        throw std::runtime_error("cannot probe pixel");
    auto eight = [](double v) { return static_cast<int>(v * 255.0 + 0.5); };
    return {eight(PixelGetRed(pixel.get())), eight(PixelGetGreen(pixel.get())),
            eight(PixelGetBlue(pixel.get()))};
}

bool near(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.blue - b.blue) <= tolerance;
}

} // namespace velomira::testing
