#include "render/image/frame_encoding.h"

#include "render/image/frame_pool.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>

namespace velomira {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return; it jumps back
// into jpegFromRgb24. Only C frames lie between, so no destructor is skipped.
struct JpegCompression {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    std::jmp_buf jump{};
    unsigned char* out = nullptr;
    unsigned long size = 0;
};

[[noreturn]] void jumpOnJpegError(j_common_ptr info) {
    auto* job = static_cast<JpegCompression*>(info->client_data);
    std::longjmp(job->jump, 1);
}

void silenceJpegWarning(j_common_ptr, int) {}

unsigned char clampByte(int value) {
    return static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value);
}

} // namespace

bool exportRgb24(MagickWand* image, std::vector<unsigned char>& rgb) {
    if (!image || MagickGetNumberImages(image) == 0)
        return false;
    const std::size_t width = MagickGetImageWidth(image);
    const std::size_t height = MagickGetImageHeight(image);
    if (width == 0 || height == 0)
        return false;
    rgb.resize(3 * width * height);
    return MagickExportImagePixels(image, 0, 0, width, height, "RGB", CharPixel, rgb.data()) ==
           MagickTrue;
}

bool exportRgb24(MagickWand* image, unsigned char* rgb, std::size_t size) {
    if (!image || !rgb || MagickGetNumberImages(image) == 0)
        return false;
    const std::size_t width = MagickGetImageWidth(image);
    const std::size_t height = MagickGetImageHeight(image);
    if (width == 0 || height == 0 || size != 3 * width * height)
        return false;
    return MagickExportImagePixels(image, 0, 0, width, height, "RGB", CharPixel, rgb) == MagickTrue;
}

Blob jpegFromRgb24(const unsigned char* rgb, int width, int height, int quality) {
    if (!rgb || width <= 0 || height <= 0)
        return Blob();
    auto job = std::make_unique<JpegCompression>();
    job->info.err = jpeg_std_error(&job->error);
    job->error.error_exit = jumpOnJpegError;
    job->error.emit_message = silenceJpegWarning;
    job->info.client_data = job.get();
    if (setjmp(job->jump) != 0) {
        jpeg_destroy_compress(&job->info);
        std::free(job->out);
        return Blob();
    }
    jpeg_create_compress(&job->info);
    jpeg_mem_dest(&job->info, &job->out, &job->size);
    job->info.image_width = static_cast<JDIMENSION>(width);
    job->info.image_height = static_cast<JDIMENSION>(height);
    job->info.input_components = 3;
    job->info.in_color_space = JCS_RGB;
    // The defaults are YCbCr with 2 x 2 luma against 1 x 1 chroma: the 4:2:0 of the video.
    jpeg_set_defaults(&job->info);
    jpeg_set_quality(&job->info, quality, TRUE);
    job->info.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&job->info, TRUE);
    const std::size_t stride = 3 * static_cast<std::size_t>(width);
    while (job->info.next_scanline < job->info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + job->info.next_scanline * stride);
        jpeg_write_scanlines(&job->info, &row, 1);
    }
    jpeg_finish_compress(&job->info);
    jpeg_destroy_compress(&job->info);
    return adoptMallocBlob(job->out, job->size);
}

namespace {

unsigned char lumaOf(const unsigned char* p) {
    return static_cast<unsigned char>(((66 * p[0] + 129 * p[1] + 25 * p[2] + 128) >> 8) + 16);
}

// Chroma of the sums of `count` pixels. The offset of 128 goes in before the division, so the
// result rounds down as the shift of one pixel does, negative parts included; a full block of
// four divides by a shift.
void chromaOf(int r, int g, int b, int count, unsigned char& u, unsigned char& v) {
    const int divisor = 256 * count;
    const int bias = 128 * count + 128 * divisor;
    if (count == 4) {
        u = clampByte((-38 * r - 74 * g + 112 * b + bias) >> 10);
        v = clampByte((112 * r - 94 * g - 18 * b + bias) >> 10);
    } else {
        u = clampByte((-38 * r - 74 * g + 112 * b + bias) / divisor);
        v = clampByte((112 * r - 94 * g - 18 * b + bias) / divisor);
    }
}

} // namespace

void rgb24ToYuv420p(const unsigned char* rgb, int width, int height, unsigned char* out) {
    const std::size_t stride = 3 * static_cast<std::size_t>(width);
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    unsigned char* luma = out;
    unsigned char* u = out + static_cast<std::size_t>(width) * height;
    unsigned char* v = u + static_cast<std::size_t>(chromaWidth) * chromaHeight;
    // Two rows at a time: each chroma sample averages its 2 x 2 block, or the pixels of it that
    // exist at an odd right or bottom edge.
    for (int cy = 0; cy < chromaHeight; ++cy) {
        const int y0 = 2 * cy;
        const bool pair = y0 + 1 < height;
        const unsigned char* top = rgb + y0 * stride;
        const unsigned char* bottom = pair ? top + stride : top;
        unsigned char* lumaTop = luma + static_cast<std::size_t>(y0) * width;
        unsigned char* lumaBottom = lumaTop + width;
        unsigned char* uRow = u + static_cast<std::size_t>(cy) * chromaWidth;
        unsigned char* vRow = v + static_cast<std::size_t>(cy) * chromaWidth;
        int x = 0;
        for (; x + 1 < width; x += 2) {
            const unsigned char* a = top + 3 * x;
            const unsigned char* c = bottom + 3 * x;
            lumaTop[x] = lumaOf(a);
            lumaTop[x + 1] = lumaOf(a + 3);
            int r = a[0] + a[3];
            int g = a[1] + a[4];
            int b = a[2] + a[5];
            int count = 2;
            if (pair) {
                lumaBottom[x] = lumaOf(c);
                lumaBottom[x + 1] = lumaOf(c + 3);
                r += c[0] + c[3];
                g += c[1] + c[4];
                b += c[2] + c[5];
                count = 4;
            }
            chromaOf(r, g, b, count, uRow[x / 2], vRow[x / 2]);
        }
        if (x < width) {
            const unsigned char* a = top + 3 * x;
            const unsigned char* c = bottom + 3 * x;
            lumaTop[x] = lumaOf(a);
            int r = a[0], g = a[1], b = a[2], count = 1;
            if (pair) {
                lumaBottom[x] = lumaOf(c);
                r += c[0];
                g += c[1];
                b += c[2];
                count = 2;
            }
            chromaOf(r, g, b, count, uRow[x / 2], vRow[x / 2]);
        }
    }
}

Blob encodeRgb24(const unsigned char* rgb, int width, int height, FrameFormat format,
                 FramePool* pool) {
    if (!rgb || width <= 0 || height <= 0)
        return Blob();
    if (format == FrameFormat::Jpeg)
        return jpegFromRgb24(rgb, width, height, kFrameJpegQuality);
    const std::size_t size = rawFrameBytes(format, width, height);
    Blob blob = pool ? pooledBlob(pool->take(size, false))
                     : adoptMallocBlob(static_cast<unsigned char*>(std::malloc(size)), size);
    if (!blob)
        return Blob();
    auto* bytes = const_cast<unsigned char*>(blob.bytes());
    if (format == FrameFormat::Rgb24)
        std::memcpy(bytes, rgb, size);
    else
        rgb24ToYuv420p(rgb, width, height, bytes);
    return blob;
}

Blob encodePixels(MagickWand* image, FrameFormat format) {
    // The pixels of one frame at a time; kept between frames so no frame allocates them.
    thread_local std::vector<unsigned char> rgb;
    if (!exportRgb24(image, rgb))
        return Blob();
    const int width = static_cast<int>(MagickGetImageWidth(image));
    const int height = static_cast<int>(MagickGetImageHeight(image));
    return encodeRgb24(rgb.data(), width, height, format);
}

Image imageFromRgb24(const unsigned char* rgb, int width, int height) {
    if (!rgb || width <= 0 || height <= 0)
        return Image();
    Image image = newImage();
    if (!image || MagickConstituteImage(image.get(), static_cast<std::size_t>(width),
                                        static_cast<std::size_t>(height), "RGB", CharPixel,
                                        rgb) == MagickFalse)
        return Image();
    return image;
}

} // namespace velomira
