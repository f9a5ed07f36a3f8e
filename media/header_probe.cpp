#include "media/header_probe.h"

#include "media/header_probe_stream.h"

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading. Anything else (a folder, a FIFO that would block until a
// writer comes, a device) counts as a file that cannot be opened.
FileHandle openRegularFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return FileHandle(file);
}

bool readHeaderFromPath(const std::string& path, ImageHeader& header) {
    FileHandle file = openRegularFile(path);
    return file && readImageHeaderStream(file.get(), header);
}

} // namespace

int probeImageKind(const std::string& path) {
    FileHandle file = openRegularFile(path);
    if (!file)
        return kImageKindUnreadable;
    return probeImageKindStream(file.get());
}

std::string pictureRefusalLine(int kind, const std::string& path) {
    switch (kind) {
    case kImageKindUnreadable:
        return "图片读取失败:\r\n" + path;
    case kImageKindAnimatedGif:
        return "不支持gif动画图片:\r\n" + path;
    case kImageKindAnimated:
        return "不支持动画图片:\r\n" + path;
    case kImageKindUnrecognised:
        return "无法识别的图片:\r\n" + path;
    default:
        return kind > 0 ? std::string() : "无法识别的图片:\r\n" + path;
    }
}

int readImageHeader(const std::string& path, std::string* formatName, int* width, int* height) {
    ImageHeader header;
    if (!readHeaderFromPath(path, header))
        return 0;
    if (formatName)
        *formatName = header.formatName;
    if (width && height) {
        *width = header.width;
        *height = header.height;
    }
    return 1;
}

int describeImageFile(const std::string& path, std::string& text) {
    ImageHeader header;
    if (!readHeaderFromPath(path, header))
        return 0;
    text = describeImageHeader(header);
    return 1;
}

} // namespace velomira
