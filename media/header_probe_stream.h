#pragma once
// The header readers working on an open stream, so that callers holding the bytes in memory
// (fmemopen) reach the same code as the path-based readers of media/header_probe.h.
#include "media/image_header.h"

#include <cstdio>
#include <string>

namespace velomira {

// The kind of the stream's content; never Unreadable unless reading the stream failed, which
// is what a file that cannot be opened gives.
PictureKind probeImageKindStream(std::FILE* file);

// Returns true and fills header when the stream holds a picture of a known format with a
// usable size.
bool readImageHeaderStream(std::FILE* file, ImageHeader& header);

// The one-line status text of a header ("尺寸: ..., 类型: ... 图片, 大小: ...").
std::string describeImageHeader(const ImageHeader& header);

} // namespace velomira
