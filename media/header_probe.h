#pragma once
// Header-only picture readers: tell the supported formats apart and read a picture's size
// from its first bytes, without decoding pixels.
#include <string>

namespace velomira {

// Kind codes of probeImageKind.
constexpr int kImageKindJpeg = 113;
constexpr int kImageKindPng = 114;
constexpr int kImageKindGif = 115;
constexpr int kImageKindBmp = 116;
constexpr int kImageKindWebp = 117;
constexpr int kImageKindHeif = 118; // HEIC and other HEIF stills
constexpr int kImageKindAvif = 119;
constexpr int kImageKindTiff = 120;
constexpr int kImageKindUnreadable = 0;
constexpr int kImageKindAnimatedGif = -1;
constexpr int kImageKindUnrecognised = -2;
constexpr int kImageKindAnimated = -3; // an animated WebP, a HEIF or AVIF image sequence

int probeImageKind(const std::string& path);

// The information window's line that refuses a picture of this kind, empty for a picture kind
// that is accepted.
std::string pictureRefusalLine(int kind, const std::string& path);

// Returns 1 and fills the outputs, or 0. width and height are filled only when both are given.
int readImageHeader(const std::string& path, std::string* formatName, int* width, int* height);

// Returns 1 and a one-line description ("尺寸: ..."), or 0.
int describeImageFile(const std::string& path, std::string& text);

} // namespace velomira
