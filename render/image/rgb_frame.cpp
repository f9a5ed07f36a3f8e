#include "render/image/rgb_frame.h"

#include "render/image/frame_encoding.h"

#include <algorithm>
#include <cstring>

namespace velomira {

namespace {

RgbFrame newRgbFrame(int width, int height, FramePool* pool, bool zeroed) {
    RgbFrame frame;
    if (width <= 0 || height <= 0)
        return frame;
    const std::size_t size = 3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    frame.pixels = pool ? pool->take(size, zeroed) : FrameBuffer(size);
    if (!frame.pixels.empty()) {
        frame.width = width;
        frame.height = height;
    }
    return frame;
}

} // namespace

RgbFrame makeRgbFrame(int width, int height, FramePool* pool) {
    return newRgbFrame(width, height, pool, true);
}

bool reshapeRgbFrame(RgbFrame& frame, int width, int height, FramePool* pool) {
    const std::size_t needed = 3 * static_cast<std::size_t>(std::max(width, 0)) *
                               static_cast<std::size_t>(std::max(height, 0));
    if (needed > 0 && frame.pixels.size() >= needed) {
        frame.width = width;
        frame.height = height;
        return true;
    }
    frame = RgbFrame(); // its memory back first, where the next one may find it
    if (needed == 0)
        return false;
    // Scaled copies grow a little every frame: a quarter more room spares a buffer each time.
    frame.pixels = pool ? pool->take(needed + needed / 4, false) : FrameBuffer(needed);
    if (frame.pixels.empty())
        return false;
    frame.width = width;
    frame.height = height;
    return true;
}

RgbFrame takeOpaqueRgb(MagickWand* image, int width, int height, FramePool* pool) {
    if (!image || MagickGetNumberImages(image) == 0 ||
        MagickGetImageWidth(image) != static_cast<std::size_t>(width) ||
        MagickGetImageHeight(image) != static_cast<std::size_t>(height) ||
        MagickGetImageAlphaChannel(image) != MagickFalse)
        return RgbFrame();
    RgbFrame frame = newRgbFrame(width, height, pool, false);
    if (frame.empty() || !exportRgb24(image, frame.pixels.data(), frame.pixels.size()))
        return RgbFrame();
    return frame;
}

bool importRgb(const RgbFrame& frame, MagickWand* image) {
    if (frame.empty() || !image || MagickGetNumberImages(image) == 0 ||
        MagickGetImageWidth(image) != static_cast<std::size_t>(frame.width) ||
        MagickGetImageHeight(image) != static_cast<std::size_t>(frame.height))
        return false;
    return MagickImportImagePixels(image, 0, 0, static_cast<std::size_t>(frame.width),
                                   static_cast<std::size_t>(frame.height), "RGB", CharPixel,
                                   frame.data()) == MagickTrue;
}

void copyFrame(const RgbFrame& from, RgbFrame& to) {
    if (!from.empty() && from.width == to.width && from.height == to.height)
        std::memcpy(to.pixels.data(), from.data(), from.bytes());
}

void copyBlock(const RgbFrame& from, RgbFrame& to, RgbBlock b) {
    auto clip = [](long& source, long& target, long& length, long sourceEnd, long targetEnd) {
        const long lead = std::max({0L, -source, -target});
        source += lead;
        target += lead;
        length = std::min({length - lead, sourceEnd - source, targetEnd - target});
        return length > 0;
    };
    if (from.empty() || to.empty() || !clip(b.fromX, b.toX, b.width, from.width, to.width) ||
        !clip(b.fromY, b.toY, b.height, from.height, to.height))
        return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(b.width);
    for (long r = 0; r < b.height; ++r)
        std::memmove(to.row(b.toY + r) + 3 * b.toX, from.row(b.fromY + r) + 3 * b.fromX, bytes);
}

bool composeImageOver(MagickWand* image, long x, long y, RgbFrame& frame,
                      std::vector<unsigned char>& scratch) {
    if (!image || frame.empty() || MagickGetNumberImages(image) == 0)
        return false;
    const long width = static_cast<long>(MagickGetImageWidth(image));
    const long height = static_cast<long>(MagickGetImageHeight(image));
    // The part of the image that lies on the frame.
    const long left = std::max(0L, -x);
    const long top = std::max(0L, -y);
    const long right = std::min(width, frame.width - x);
    const long bottom = std::min(height, frame.height - y);
    if (left >= right || top >= bottom)
        return true;
    const long w = right - left;
    const long h = bottom - top;
    scratch.resize(4 * static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    if (MagickExportImagePixels(image, left, top, static_cast<std::size_t>(w),
                                static_cast<std::size_t>(h), "RGBA", CharPixel,
                                scratch.data()) == MagickFalse)
        return false;
    for (long r = 0; r < h; ++r) {
        const unsigned char* p = scratch.data() + 4 * static_cast<std::size_t>(r) * w;
        unsigned char* o = frame.row(y + top + r) + 3 * (x + left);
        for (long c = 0; c < w; ++c, p += 4, o += 3) {
            const unsigned a = p[3];
            if (a == 0)
                continue;
            for (int k = 0; k < 3; ++k)
                o[k] = static_cast<unsigned char>((p[k] * a + o[k] * (255u - a) + 127u) / 255u);
        }
    }
    return true;
}

void blendByCoverage(const RgbFrame& over, const RgbFrame& under, RgbFrame& out, long x, long y,
                     long width, long height, const unsigned char* coverage) {
    for (long r = 0; r < height; ++r) {
        const unsigned char* a = over.row(y + r) + 3 * x;
        const unsigned char* b = under.row(y + r) + 3 * x;
        unsigned char* o = out.row(y + r) + 3 * x;
        const unsigned char* m = coverage + r * width;
        for (long c = 0; c < width; ++c) {
            const unsigned weight = m[c];
            if (weight == 0) {
                if (o != b)
                    std::memcpy(o + 3 * c, b + 3 * c, 3);
                continue;
            }
            for (int k = 0; k < 3; ++k) {
                const unsigned v = a[3 * c + k] * weight + b[3 * c + k] * (255u - weight) + 127u;
                o[3 * c + k] = static_cast<unsigned char>(v / 255u);
            }
        }
    }
}

} // namespace velomira
