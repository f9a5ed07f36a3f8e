#include "support/focal_pictures.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>
#include <wand/MagickWand.h>

namespace velomira::testing {

namespace {

struct WandFree {
    void operator()(MagickWand* wand) const { DestroyMagickWand(wand); }
};
using Wand = std::unique_ptr<MagickWand, WandFree>;

void check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error("focal test picture: " + what);
}

// Soft grey noise: random values at a quarter of the size, enlarged, so that it looks like a
// textured background rather than a pattern a detector could take for anything.
Wand noiseCanvas(int width, int height, unsigned seed) {
    const int w = std::max(1, width / 4);
    const int h = std::max(1, height / 4);
    std::mt19937 engine(seed);
    std::uniform_int_distribution<int> value(70, 150);
    std::vector<unsigned char> grey(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    for (std::size_t i = 0; i < grey.size(); i += 3)
        grey[i] = grey[i + 1] = grey[i + 2] = static_cast<unsigned char>(value(engine));
    Wand canvas(NewMagickWand());
    PixelWand* black = NewPixelWand();
    PixelSetColor(black, "#000000");
    const bool made = MagickNewImage(canvas.get(), static_cast<std::size_t>(w),
                                     static_cast<std::size_t>(h), black) == MagickTrue;
    DestroyPixelWand(black);
    check(made, "canvas");
    check(MagickImportImagePixels(canvas.get(), 0, 0, static_cast<std::size_t>(w),
                                  static_cast<std::size_t>(h), "RGB", CharPixel,
                                  grey.data()) == MagickTrue,
          "noise");
    check(MagickResizeImage(canvas.get(), static_cast<std::size_t>(width),
                            static_cast<std::size_t>(height), TriangleFilter, 1.0) == MagickTrue,
          "noise size");
    return canvas;
}

} // namespace

std::optional<std::string> shippedPhoto(const char* fileName) {
    for (const char* folder :
         {"/usr/lib/python3/dist-packages/skimage/data", "/usr/share/python3-skimage/data"}) {
        const std::filesystem::path path = std::filesystem::path(folder) / fileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error))
            return path.string();
    }
    return std::nullopt;
}

Box writePastedPhoto(const std::string& path, const std::string& photo, const Box& subject,
                     int canvasWidth, int canvasHeight, int x, int y, double scale, unsigned seed) {
    Wand canvas = noiseCanvas(canvasWidth, canvasHeight, seed);
    Wand pasted(NewMagickWand());
    check(MagickReadImage(pasted.get(), photo.c_str()) == MagickTrue, "reading " + photo);
    MagickSetImageAlphaChannel(pasted.get(), DeactivateAlphaChannel);
    const auto scaled = [scale](double v) { return static_cast<int>(std::lround(v * scale)); };
    const int w = scaled(static_cast<double>(MagickGetImageWidth(pasted.get())));
    const int h = scaled(static_cast<double>(MagickGetImageHeight(pasted.get())));
    check(MagickResizeImage(pasted.get(), static_cast<std::size_t>(w), static_cast<std::size_t>(h),
                            LanczosFilter, 1.0) == MagickTrue,
          "scaling");
    check(MagickCompositeImage(canvas.get(), pasted.get(), OverCompositeOp, x, y) == MagickTrue,
          "pasting");
    const bool jpeg = path.size() > 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
    MagickSetImageFormat(canvas.get(), jpeg ? "JPEG" : "PNG");
    check(MagickWriteImage(canvas.get(), path.c_str()) == MagickTrue, "writing " + path);
    return Box{x + scaled(subject.x), y + scaled(subject.y), scaled(subject.width),
               scaled(subject.height)};
}

} // namespace velomira::testing
