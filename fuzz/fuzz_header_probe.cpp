// Feeds arbitrary bytes to the picture header readers: the kind probe with its GIF block walk,
// the size reader with its JPEG segment walk, the WebP, HEIF/AVIF and TIFF headers, the status
// description and the EXIF orientation reader.
#include "fuzz/fuzz_support.h"
#include "media/exif_orientation.h"
#include "media/header_probe.h"
#include "media/header_probe_stream.h"

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
    int streamKind = kImageKindUnreadable;
    if (FileHandle file = openBytes(data, size)) {
        streamKind = probeImageKindStream(file.get());
        check(streamKind == kImageKindJpeg || streamKind == kImageKindPng ||
              streamKind == kImageKindGif || streamKind == kImageKindBmp ||
              streamKind == kImageKindWebp || streamKind == kImageKindHeif ||
              streamKind == kImageKindAvif || streamKind == kImageKindTiff ||
              streamKind == kImageKindAnimatedGif || streamKind == kImageKindAnimated ||
              streamKind == kImageKindUnrecognised);
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
    return 0;
}
