// Feeds arbitrary bytes to the picture header readers: the kind probe with its GIF block walk,
// the size reader with its JPEG segment walk, the WebP, HEIF/AVIF and TIFF headers, the status
// description, the EXIF orientation reader and the single look that gathers them all.
#include "fuzz/fuzz_support.h"
#include "media/exif_orientation.h"
#include "media/header_probe.h"
#include "media/header_probe_stream.h"
#include "media/picture_probe.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using velomira::fuzz::bytesAsFile;
using velomira::fuzz::check;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

FileHandle openBytes(const std::uint8_t* data, std::size_t size) {
    // fmemopen wants a buffer even for an empty stream; the readers never write to it.
    static char empty[1];
    void* buffer = size ? const_cast<std::uint8_t*>(data) : static_cast<void*>(empty);
    return FileHandle(fmemopen(buffer, size, "rb"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velomira;
    PictureKind streamKind = PictureKind::Unreadable;
    if (FileHandle file = openBytes(data, size)) {
        streamKind = probeImageKindStream(file.get());
        check(streamKind == PictureKind::Jpeg || streamKind == PictureKind::Png ||
              streamKind == PictureKind::Gif || streamKind == PictureKind::Bmp ||
              streamKind == PictureKind::Webp || streamKind == PictureKind::Heif ||
              streamKind == PictureKind::Avif || streamKind == PictureKind::Tiff ||
              streamKind == PictureKind::AnimatedGif || streamKind == PictureKind::Animated ||
              streamKind == PictureKind::Unrecognised);
    }
    ImageHeader header;
    bool headerRead = false;
    if (FileHandle file = openBytes(data, size)) {
        headerRead = readImageHeaderStream(file.get(), header);
        if (headerRead) {
            check(header.width >= 1 && header.height >= 1 && header.fileSize >= 1);
            check(header.formatName.size() <= 4);
        }
    }

    // The path-based readers must agree with the stream readers.
    const std::string& path = bytesAsFile(data, size);
    check(probeImageKind(path) == streamKind);
    std::string name;
    int width = 0, height = 0;
    check(readImageHeader(path, &name, &width, &height) == (headerRead ? 1 : 0));
    std::string text;
    check(describeImageFile(path, text) == (headerRead ? 1 : 0));
    const int orientation = readExifOrientation(path);
    check(orientation >= 0 && orientation <= 8);
    if (headerRead)
        check(name == header.formatName && width == header.width && height == header.height &&
              text == describeImageHeader(header));

    // The single look gives what the separate readers give.
    const PictureFacts facts = probePicture(path);
    check(facts.kind == streamKind && facts.sized == headerRead);
    check(facts.orientation == (facts.still() ? orientation : 0));
    if (headerRead)
        check(facts.header.formatName == header.formatName && facts.header.width == width &&
              facts.header.height == height && facts.header.fileSize == header.fileSize);
    return 0;
}
