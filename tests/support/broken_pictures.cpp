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

// count bytes of value, most significant first when bigEndian.
void put(std::string& bytes, std::uint32_t value, int count, bool bigEndian) {
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>((value >> (8 * (bigEndian ? count - 1 - i : i))) & 0xFF);
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

// Offset of the first marker 0xFF kind in a JPEG.
std::size_t findMarker(const std::string& jpeg, unsigned char kind) {
    for (std::size_t i = 2; i + 3 < jpeg.size(); ++i)
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF &&
            static_cast<unsigned char>(jpeg[i + 1]) == kind)
            return i;
    throw std::runtime_error("marker not found");
}

std::string pngHeader(unsigned width, unsigned height) {
    std::string png = "\x89PNG\r\n\x1a\n", chunk = "IHDR";
    put(chunk, width, 4, true);
    put(chunk, height, 4, true);
    chunk += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    put(png, 13, 4, true);
    put(png, crc32(chunk), 4, true);
    return png.insert(12, chunk);
}

} // namespace

std::string writePngAnnouncing(const std::string& path, unsigned width, unsigned height) {
    return writeBytes(path, pngHeader(width, height) +
                                std::string("\x00\x00\x00\x00IEND\xae\x42\x60\x82", 12));
}

std::string writeBmpAnnouncing(const std::string& path, int width, int height) {
    std::string bmp = "BM";
    for (std::uint32_t field : {54u, 0u, 54u, 40u}) // size, reserved, pixel offset, header size
        put(bmp, field, 4, false);
    put(bmp, static_cast<std::uint32_t>(width), 4, false);
    put(bmp, static_cast<std::uint32_t>(height), 4, false);
    put(bmp, 1, 2, false);
    put(bmp, 24, 2, false);
    return writeBytes(path, bmp + std::string(24, '\0'));
}

std::string writeJpegAnnouncing(const std::string& path, int width, int height) {
    std::string jpeg = readBytes(writeSolidPicture(path, 16, 16, "#4080c0", "jpg"));
    const std::size_t frame = findMarker(jpeg, 0xC0);
    std::string size;
    put(size, static_cast<std::uint32_t>(height), 2, true);
    put(size, static_cast<std::uint32_t>(width), 2, true);
    return writeBytes(path, jpeg.replace(frame + 5, 4, size));
}

std::string writeNoiseBehindHeader(const std::string& path, const std::string& format,
                                   unsigned seed) {
    std::string bytes = pngHeader(64, 48);
    if (format == "jpg") {
        bytes = readBytes(writeGradientJpeg(path, 64, 48));
        const std::size_t scan = findMarker(bytes, 0xDA);
        bytes.resize(scan + 2 +
                     ((static_cast<unsigned char>(bytes[scan + 2]) << 8) |
                      static_cast<unsigned char>(bytes[scan + 3])));
    }
    std::mt19937 random(seed);
    for (int i = 0; i < 6000; ++i)
        bytes += static_cast<char>(random() & 0xFF);
    return writeBytes(path, bytes);
}

} // namespace velomira::testing
