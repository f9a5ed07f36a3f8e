#include "render/image/magick_handles.h"

#include <mutex>

namespace velomira {

namespace {

constexpr MagickSizeType kMiB = 1024 * 1024;

// Generous for photographs (a 100-megapixel camera stays below them) yet small enough that a
// header announcing absurd dimensions is refused before any pixel memory is taken. A system
// policy file may lower them further; the library never lets a program raise a policy limit.
void setResourceLimits() {
    MagickSetResourceLimit(WidthResource, 30000);
    MagickSetResourceLimit(HeightResource, 30000);
    MagickSetResourceLimit(AreaResource, 200000000);
    MagickSetResourceLimit(MemoryResource, 1024 * kMiB);
    MagickSetResourceLimit(MapResource, 2048 * kMiB);
    MagickSetResourceLimit(DiskResource, 4096 * kMiB);
    MagickSetResourceLimit(ListLengthResource, 10000);
}

} // namespace

void initImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        MagickWandGenesis();
        setResourceLimits();
    });
}

Image newImage() {
    return Image(NewMagickWand());
}

Image cloneImage(const Image& image) {
    if (!image)
        return Image();
    return Image(CloneMagickWand(image.get()));
}

Pixel newPixel(const std::string& colour) {
    Pixel pixel(NewPixelWand());
    if (pixel && PixelSetColor(pixel.get(), colour.c_str()) == MagickFalse)
        PixelSetColor(pixel.get(), "#000000");
    return pixel;
}

Drawing newDrawing() {
    return Drawing(NewDrawingWand());
}

Blob adoptBlob(unsigned char* bytes, std::size_t length) {
    Blob blob;
    blob.data.reset(bytes);
    blob.length = bytes ? length : 0;
    return blob;
}

Blob adoptMallocBlob(unsigned char* bytes, std::size_t length) {
    Blob blob;
    blob.data =
        std::unique_ptr<unsigned char, MagickMemoryDeleter>(bytes, MagickMemoryDeleter{true});
    blob.length = bytes ? length : 0;
    return blob;
}

std::string exceptionText(MagickWand* wand) {
    if (!wand)
        return std::string();
    std::string text;
    ExceptionType severity = UndefinedException;
    char* description = MagickGetException(wand, &severity);
    if (description) {
        text = description;
        MagickRelinquishMemory(description);
    }
    if (!text.empty() || MagickGetNumberImages(wand) == 0)
        return text;
    const ::Image* current = GetImageFromMagickWand(wand);
    if (current && current->exception.severity != UndefinedException) {
        if (current->exception.reason)
            text = current->exception.reason;
        if (current->exception.description) {
            text += " (";
            text += current->exception.description;
            text += ")";
        }
    }
    return text;
}

} // namespace velomira
