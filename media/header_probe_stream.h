#pragma once
// The header readers working on an open stream, so that callers holding the bytes in memory
// (fmemopen) reach the same code as the path-based readers of media/header_probe.h.
#include "media/image_header.h"

#include <cstdio>
#include <string>

namespace velomira {

// Kind code of the stream's content (kImageKind* of media/header_probe.h); never 0, which
// stands for a file that cannot be opened.
int probeImageKindStream(std::FILE* file);

// Returns true and fills header when the stream holds a picture of a known format with a
// usable size.
bool readImageHeaderStream(std::FILE* file, ImageHeader& header);

// The one-line status text of a header ("尺寸: ..., 类型: ... 图片, 大小: ...").
std::string describeImageHeader(const ImageHeader& header);

} // namespace velomira
