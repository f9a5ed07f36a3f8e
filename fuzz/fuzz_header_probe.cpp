// Feeds arbitrary bytes to the picture header readers: the kind probe with its GIF block walk,
// the size reader with its JPEG segment walk, and the status description.
#include "media/header_probe.h"
#include "media/header_probe_stream.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

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

// The same bytes as a real file, so the path-based readers run too: one memory file for the
// whole run, rewritten for each input and reached through /proc.
const std::string& bytesAsFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("fuzz_header_probe", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    return path;
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velomira;
    int streamKind = kImageKindUnreadable;
    if (FileHandle file = openBytes(data, size)) {
        streamKind = probeImageKindStream(file.get());
        check(streamKind == kImageKindJpeg || streamKind == kImageKindPng ||
              streamKind == kImageKindGif || streamKind == kImageKindBmp ||
              streamKind == kImageKindAnimatedGif || streamKind == kImageKindUnrecognised);
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
    if (headerRead)
        check(name == header.formatName && width == header.width && height == header.height &&
              text == describeImageHeader(header));
    return 0;
}
