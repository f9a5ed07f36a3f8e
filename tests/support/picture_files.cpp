#include "support/picture_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
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

std::string gifFrameColour(int k) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", (40 + k * 37) % 256, (200 + k * 91) % 256,
                  (k * 53) % 256);
    return text;
}

Point gifPatchOrigin(int k, int width, int height, int patch) {
    const int perRow = width / patch > 0 ? width / patch : 1;
    const int rows = height / patch > 0 ? height / patch : 1;
    const int cell = (k - 1) % (perRow * rows);
    return {static_cast<long>((cell % perRow) * patch), static_cast<long>((cell / perRow) * patch)};
}

namespace {

void putWord(std::string& out, int value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}

// LZW data that never compresses: a clear code before the code table would grow past the first
// code width, so every code is one index at minCode + 1 bits. Valid for any decoder.
std::string lzwLiterals(const std::vector<unsigned char>& indices, int minCode) {
    const int clear = 1 << minCode;
    const int width = minCode + 1;
    std::string packed;
    unsigned long bits = 0;
    int held = 0;
    auto emit = [&](int code) {
        bits |= static_cast<unsigned long>(code) << held;
        held += width;
        while (held >= 8) {
            packed += static_cast<char>(bits & 0xff);
            bits >>= 8;
            held -= 8;
        }
    };
    int sinceClear = clear - 2;
    for (unsigned char index : indices) {
        if (sinceClear == clear - 2) {
            emit(clear);
            sinceClear = 0;
        }
        emit(index);
        ++sinceClear;
    }
    emit(clear + 1);
    if (held > 0)
        packed += static_cast<char>(bits & 0xff);
    std::string blocks;
    blocks += static_cast<char>(minCode);
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        std::string piece = packed.substr(at, 255);
        blocks += static_cast<char>(piece.size());
        blocks += piece;
    }
    blocks += '\0';
    return blocks;
}

} // namespace

std::string writeGifFrames(const std::string& path, int width, int height,
                           const std::vector<GifFrame>& frames) {
    std::string out = "GIF89a";
    putWord(out, width);
    putWord(out, height);
    out += std::string("\0\0\0", 3); // no global palette
    out += "\x21\xff\x0bNETSCAPE2.0\x03\x01";
    putWord(out, 0);
    out += '\0';
    for (const GifFrame& frame : frames) {
        if (frame.palette.empty() || frame.palette.size() > 256 ||
            frame.indices.size() != static_cast<std::size_t>(frame.width * frame.height))
            throw std::runtime_error("bad GIF test frame");
        int bits = 1;
        while ((1u << bits) < frame.palette.size())
            ++bits;
        out += "\x21\xf9\x04";
        out += static_cast<char>((1 << 2) | (frame.transparentIndex >= 0 ? 1 : 0));
        putWord(out, frame.delay);
        out += static_cast<char>(frame.transparentIndex >= 0 ? frame.transparentIndex : 0);
        out += '\0';
        out += '\x2c';
        putWord(out, frame.x);
        putWord(out, frame.y);
        putWord(out, frame.width);
        putWord(out, frame.height);
        out += static_cast<char>(0x80 | (bits - 1));
        for (std::size_t i = 0; i < (1u << bits); ++i) {
            Rgb colour = i < frame.palette.size() ? rgbOf(frame.palette[i]) : Rgb{};
            out += static_cast<char>(colour.red);
            out += static_cast<char>(colour.green);
            out += static_cast<char>(colour.blue);
        }
        out += lzwLiterals(frame.indices, std::max(bits, 2));
    }
    out += '\x3b';
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file || std::fwrite(out.data(), 1, out.size(), file.get()) != out.size() ||
        std::fflush(file.get()) != 0)
        throw std::runtime_error("cannot write test picture " + path);
    return path;
}

std::string writeGifAnimation(const std::string& path, const GifAnimationSpec& spec) {
    std::vector<GifFrame> frames;
    for (int k = 0; k < spec.frames; ++k) {
        GifFrame frame;
        if (k == 0 || spec.patch <= 0) {
            frame.width = spec.width;
            frame.height = spec.height;
            frame.palette = {spec.patch > 0 ? spec.background : gifFrameColour(k)};
            if (k == 0 && spec.transparentBackground)
                frame.transparentIndex = 0;
        } else {
            Point at = gifPatchOrigin(k, spec.width, spec.height, spec.patch);
            frame.x = static_cast<int>(at.x);
            frame.y = static_cast<int>(at.y);
            frame.width = spec.patch;
            frame.height = spec.patch;
            frame.palette = {gifFrameColour(k)};
        }
        frame.indices.assign(static_cast<std::size_t>(frame.width * frame.height), 0);
        frames.push_back(std::move(frame));
    }
    return writeGifFrames(path, spec.width, spec.height, frames);
}

Rgb rgbOf(const std::string& colour) {
    unsigned r = 0, g = 0, b = 0;
    if (std::sscanf(colour.c_str(), "#%02x%02x%02x", &r, &g, &b) != 3)
        throw std::runtime_error("bad colour " + colour);
    return {static_cast<int>(r), static_cast<int>(g), static_cast<int>(b)};
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

int alphaAt(MagickWand* wand, long x, long y) {
    Colour pixel(NewPixelWand());
    if (MagickGetImagePixelColor(wand, x, y, pixel.get()) == MagickFalse)
        throw std::runtime_error("cannot probe pixel");
    return static_cast<int>(PixelGetAlpha(pixel.get()) * 255.0 + 0.5);
}

bool near(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.blue - b.blue) <= tolerance;
}

std::string writeNoiseJpeg(const std::string& path, int width, int height, unsigned seed) {
    startLibrary();
    std::mt19937 random(seed);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    for (unsigned char& p : pixels)
        p = static_cast<unsigned char>(random());
    Wand wand(NewMagickWand());
    if (MagickConstituteImage(wand.get(), static_cast<size_t>(width), static_cast<size_t>(height),
                              "RGB", CharPixel, pixels.data()) == MagickFalse ||
        MagickSetImageFormat(wand.get(), "JPEG") == MagickFalse ||
        MagickWriteImage(wand.get(), path.c_str()) == MagickFalse)
        throw std::runtime_error("cannot write " + path);
    return path;
}

} // namespace velomira::testing
