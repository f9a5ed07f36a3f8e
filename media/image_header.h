#pragma once
// What the header probe tells of a picture: its kind and its header's size fields, apart from
// the readers so that each reader can name them without including the others.

#include <string>

namespace velomira {

enum class PictureKind {
    Unreadable,   // the file cannot be opened or read
    Unrecognised, // not a picture of a known format, or a broken one
    AnimatedGif,
    Animated, // an animated WebP, a HEIF or AVIF image sequence
    Jpeg,
    Png,
    Gif,
    Bmp,
    Webp,
    Heif, // HEIC and other HEIF stills
    Avif,
    Tiff,
};

// A still picture of a format the program reads; every other kind is refused.
constexpr bool isStillKind(PictureKind kind) {
    switch (kind) {
    case PictureKind::Unreadable:
    case PictureKind::Unrecognised:
    case PictureKind::AnimatedGif:
    case PictureKind::Animated:
        return false;
    default:
        return true;
    }
}

struct ImageHeader {
    std::string formatName; // "BMP", "JPEG", "GIF", "PNG", "WEBP", "HEIC", "HEIF", "AVIF", "TIFF"
    int width = 0;
    int height = 0;
    long fileSize = 0; // bytes; for BMP the size its header claims
};

} // namespace velomira
