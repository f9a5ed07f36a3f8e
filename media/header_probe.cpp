#include "media/header_probe.h"

#include "media/header_probe_stream.h"
#include "media/regular_file.h"

namespace velomira {
namespace {

bool readHeaderFromPath(const std::string& path, ImageHeader& header) {
    FileHandle file = openRegularFile(path);
    return file && readImageHeaderStream(file.get(), header);
}

} // namespace

PictureKind probeImageKind(const std::string& path) {
    FileHandle file = openRegularFile(path);
    if (!file)
        return PictureKind::Unreadable;
    return probeImageKindStream(file.get());
}

std::string pictureRefusalLine(PictureKind kind, const std::string& path) {
    switch (kind) {
    case PictureKind::Unreadable:
        return "图片读取失败:\r\n" + path;
    case PictureKind::AnimatedGif:
        return "不支持gif动画图片:\r\n" + path;
    case PictureKind::Animated:
        return "不支持动画图片:\r\n" + path;
    case PictureKind::Unrecognised:
        return "无法识别的图片:\r\n" + path;
    default:
        return std::string();
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
