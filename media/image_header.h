#pragma once
// What the header probe tells of a picture: its kind code and its header's size fields, apart
// from the readers so that each reader can name them without including the others.

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

struct ImageHeader {
    std::string formatName; // "BMP", "JPEG", "GIF", "PNG", "WEBP", "HEIC", "HEIF", "AVIF", "TIFF"
    int width = 0;
    int height = 0;
    long fileSize = 0; // bytes; for BMP the size its header claims
};

} // namespace velomira
