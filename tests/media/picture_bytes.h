#pragma once
// Builders of exact picture header bytes for the header reader tests.
#include <cstdint>
#include <string>

namespace velomira::testing {

inline std::string le16(unsigned v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF)};
}
inline std::string be16(unsigned v) {
    return {char((v >> 8) & 0xFF), char(v & 0xFF)};
}
inline std::string le32(std::uint32_t v) {
    return le16(v & 0xFFFF) + le16(v >> 16);
}
inline std::string be32(std::uint32_t v) {
    return be16(v >> 16) + be16(v & 0xFFFF);
}

// ---- GIF ----
inline std::string gifScreen(const char* version, unsigned width, unsigned height,
                             unsigned packed) {
    return std::string("GIF") + version + le16(width) + le16(height) + char(packed) + '\0' + '\0';
}
inline const std::string kGifTwoColours("\xFF\xFF\xFF\x00\x00\x00", 6);
inline const std::string kGifControl("\x21\xF9\x04\x01\x00\x00\x00\x00", 8);
inline std::string gifImage(unsigned width, unsigned height, unsigned packed = 0) {
    std::string colours(packed & 0x80 ? 3u << ((packed & 7) + 1) : 0u, '\0');
    return "\x2C" + le16(0) + le16(0) + le16(width) + le16(height) + char(packed) + colours +
           std::string("\x02\x02\x44\x01\x00", 5);
}
inline const std::string kGifTrailer = "\x3B";
// A 1 × 1 GIF89a picture with a graphic control extension.
inline std::string gifOneFrame() {
    return gifScreen("89a", 1, 1, 0x80) + kGifTwoColours + kGifControl + gifImage(1, 1) +
           kGifTrailer;
}

// ---- JPEG ----
inline std::string jpegSegment(unsigned marker, const std::string& body) {
    return std::string("\xFF") + char(marker) + be16(unsigned(body.size()) + 2) + body;
}
inline std::string jpegFrame(unsigned marker, unsigned width, unsigned height) {
    return jpegSegment(marker, std::string("\x08") + be16(height) + be16(width) +
                                   std::string("\x01\x01\x11\x00", 4));
}
inline const std::string kJpegStart("\xFF\xD8", 2);
inline const std::string kJpegApp0 =
    jpegSegment(0xE0, std::string("JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
inline const std::string kJpegEnd("\xFF\xD9", 2);

// ---- BMP ----
// File header and BITMAPINFOHEADER; fileSize is what the header claims.
inline std::string bmpInfo(std::int32_t width, std::int32_t height, std::uint32_t fileSize) {
    return "BM" + le32(fileSize) + le32(0) + le32(54) + le32(40) + le32(std::uint32_t(width)) +
           le32(std::uint32_t(height)) + le16(1) + le16(24) + std::string(24, '\0');
}
// File header and the old BITMAPCOREHEADER.
inline std::string bmpCore(unsigned width, unsigned height, std::uint32_t fileSize) {
    return "BM" + le32(fileSize) + le32(0) + le32(26) + le32(12) + le16(width) + le16(height) +
           le16(1) + le16(24);
}

// ---- PNG ----
// Signature and IHDR (the CRC is not checked by the readers).
inline std::string pngHeader(std::uint32_t width, std::uint32_t height) {
    return std::string("\x89PNG\r\n\x1A\n", 8) + be32(13) + "IHDR" + be32(width) + be32(height) +
           std::string("\x08\x02\x00\x00\x00", 5) + be32(0);
}

} // namespace velomira::testing
