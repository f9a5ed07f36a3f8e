#include "support/broken_pictures.h"

#include "support/picture_files.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace velomira::testing {

namespace {

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
    return path;
}

void putBigEndian32(std::string& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
}

void putLittleEndian(std::string& bytes, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Offset of the first marker of one of the two kinds in a JPEG, or npos.
std::size_t findMarker(const std::string& jpeg, unsigned char first, unsigned char second) {
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i) {
        const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (marker == first || marker == second))
            return i;
    }
    return std::string::npos;
}

} // namespace

std::string writePngAnnouncing(const std::string& path, unsigned width, unsigned height) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string chunk = "IHDR";
    putBigEndian32(chunk, width);
    putBigEndian32(chunk, height);
    chunk += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    putBigEndian32(png, 13);
    png += chunk;
    putBigEndian32(png, crc32(chunk));
    png += std::string("\x00\x00\x00\x00IEND\xae\x42\x60\x82", 12);
    return writeBytes(path, png);
}

std::string writeBmpAnnouncing(const std::string& path, int width, int height) {
    std::string bmp = "BM";
    putLittleEndian(bmp, 54, 4); // file size: the headers only
    putLittleEndian(bmp, 0, 4);
    putLittleEndian(bmp, 54, 4); // pixel offset
    putLittleEndian(bmp, 40, 4);
    putLittleEndian(bmp, static_cast<std::uint32_t>(width), 4);
    putLittleEndian(bmp, static_cast<std::uint32_t>(height), 4);
    putLittleEndian(bmp, 1, 2);
    putLittleEndian(bmp, 24, 2);
    bmp += std::string(24, '\0');
    return writeBytes(path, bmp);
}

std::string writeJpegAnnouncing(const std::string& path, int width, int height) {
    std::string jpeg = readBytes(writeSolidPicture(path, 16, 16, "#4080c0", "jpg"));
    const std::size_t frame = findMarker(jpeg, 0xC0, 0xC2);
    if (frame == std::string::npos || frame + 9 > jpeg.size())
        throw std::runtime_error("no frame header in " + path);
    jpeg[frame + 5] = static_cast<char>((height >> 8) & 0xFF);
    jpeg[frame + 6] = static_cast<char>(height & 0xFF);
    jpeg[frame + 7] = static_cast<char>((width >> 8) & 0xFF);
    jpeg[frame + 8] = static_cast<char>(width & 0xFF);
    return writeBytes(path, jpeg);
}

std::string writeNoiseBehindHeader(const std::string& path, const std::string& format,
                                   unsigned seed) {
    std::string bytes;
    if (format == "jpg") {
        bytes = readBytes(writeGradientJpeg(path, 64, 48));
        const std::size_t scan = findMarker(bytes, 0xDA, 0xDA);
        if (scan == std::string::npos || scan + 4 > bytes.size())
            throw std::runtime_error("no start of scan in " + path);
        const std::size_t length = (static_cast<unsigned char>(bytes[scan + 2]) << 8) |
                                   static_cast<unsigned char>(bytes[scan + 3]);
        bytes.resize(scan + 2 + length);
    } else {
        bytes = readBytes(writeSolidPicture(path, 64, 48, "#40c080", "png"));
        bytes.resize(8 + 25); // signature and IHDR
    }
    std::mt19937 random(seed);
    for (int i = 0; i < 6000; ++i)
        bytes += static_cast<char>(random() & 0xFF);
    return writeBytes(path, bytes);
}

} // namespace velomira::testing
