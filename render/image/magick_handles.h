#pragma once
// Owning handles for the imaging library's objects, so that every wand and every byte block
// the library hands out is released exactly once, on every path.
#include <wand/MagickWand.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>

namespace velomira {

struct MagickWandDeleter {
    void operator()(MagickWand* wand) const noexcept {
        if (wand)
            DestroyMagickWand(wand);
    }
};
struct PixelWandDeleter {
    void operator()(PixelWand* wand) const noexcept {
        if (wand)
            DestroyPixelWand(wand);
    }
};
struct DrawingWandDeleter {
    void operator()(DrawingWand* wand) const noexcept {
        if (wand)
            DestroyDrawingWand(wand);
    }
};
class FramePool;
// Returns `mapped` bytes taken from the pool to it.
void returnToPool(FramePool* pool, unsigned char* bytes, std::size_t mapped) noexcept;

// Byte blocks come from the imaging library or, for frames coded here, from malloc or from a
// run's pool of frame memory.
struct MagickMemoryDeleter {
    bool fromMalloc = false;
    FramePool* pool = nullptr;
    std::size_t mapped = 0; // bytes of the pool's buffer
    void operator()(unsigned char* bytes) const noexcept {
        if (!bytes)
            return;
        if (pool)
            returnToPool(pool, bytes, mapped);
        else if (fromMalloc)
            std::free(bytes);
        else
            MagickRelinquishMemory(bytes);
    }
};

// An image (one wand, possibly holding several frames). Empty means "none".
using Image = std::unique_ptr<MagickWand, MagickWandDeleter>;
// A colour for filling, bordering or drawing.
using Pixel = std::unique_ptr<PixelWand, PixelWandDeleter>;
// A list of drawing commands.
using Drawing = std::unique_ptr<DrawingWand, DrawingWandDeleter>;

// Bytes allocated by the imaging library (an encoded frame, an icon).
struct Blob {
    std::unique_ptr<unsigned char, MagickMemoryDeleter> data;
    std::size_t length = 0;

    const unsigned char* bytes() const { return data.get(); }
    bool empty() const { return !data || length == 0; }
    explicit operator bool() const { return !empty(); }
};
using EncodedFrame = Blob;

// Starts the library once per process and sets the resource limits that keep a hostile
// picture from taking unbounded memory or disk. Safe to call from several places.
void initImageLibrary();

Image newImage();
// A copy of every frame of the image; empty when the source is empty or the copy failed.
Image cloneImage(const Image& image);
// A colour from a colour text such as "#d4d0c8"; an unparsable text gives black.
Pixel newPixel(const std::string& colour);
Drawing newDrawing();

// Takes ownership of bytes returned by the library (MagickGetImageBlob and the like).
Blob adoptBlob(unsigned char* bytes, std::size_t length);
// Takes ownership of bytes allocated with malloc.
Blob adoptMallocBlob(unsigned char* bytes, std::size_t length);

// The library's reason for the last failure on this wand: the wand's own exception, or, when
// that is empty, the exception the coder left on the current image (some coders report
// there while the read itself "succeeds"). Empty when there is none.
std::string exceptionText(MagickWand* wand);

} // namespace velomira
