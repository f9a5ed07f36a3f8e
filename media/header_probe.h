#pragma once
// Header-only picture readers: tell the supported formats apart and read a picture's size
// from its first bytes, without decoding pixels.
#include "media/image_header.h"

#include <string>

namespace velomira {

PictureKind probeImageKind(const std::string& path);

// The information window's line that refuses a picture of this kind, empty for a picture kind
// that is accepted.
std::string pictureRefusalLine(PictureKind kind, const std::string& path);

// Returns 1 and fills the outputs, or 0. width and height are filled only when both are given.
int readImageHeader(const std::string& path, std::string* formatName, int* width, int* height);

// Returns 1 and a one-line description ("尺寸: ..."), or 0.
int describeImageFile(const std::string& path, std::string& text);

} // namespace velomira
