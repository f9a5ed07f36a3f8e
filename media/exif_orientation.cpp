#include "media/exif_orientation.h"

#include "media/bounded_reader.h"
#include "media/regular_file.h"
#include "media/tiff_directory.h"

#include <cstring>

namespace velomira {
namespace {

constexpr unsigned char kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
// EXIF sits in the first segments or chunks; a file that has not shown it by then has none.
constexpr int kMostSegments = 64;

int orientationAt(BoundedReader& reader, long base) {
    TiffDirectory directory;
    if (!readTiffDirectory(reader, base, directory))
        return 0;
    return directory.orientation >= 1 && directory.orientation <= 8 ? directory.orientation : 0;
}

// APP1 "Exif\0\0" comes before the frame; the walk stops at the first frame or scan header.
int jpegOrientation(BoundedReader& reader) {
    if (!reader.seek(2))
        return 0;
    for (int segment = 0; segment < kMostSegments; ++segment) {
        unsigned char head[4];
        if (!reader.read(head, sizeof head) || head[0] != 0xFF)
            return 0;
        const unsigned marker = head[1];
        const long length = static_cast<long>(bigEndian16(head + 2));
        if (length < 2 || marker == 0xDA ||
            (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
             marker != 0xCC))
            return 0;
        const long next = reader.position() + length - 2;
        unsigned char exif[6];
        if (marker == 0xE1 && length >= 2 + 6 + 8 && reader.read(exif, sizeof exif) &&
            std::memcmp(exif, kExifHeader, sizeof exif) == 0)
            return orientationAt(reader, reader.position());
        if (!reader.seek(next))
            return 0;
    }
    return 0;
}

// The EXIF chunk of an extended WebP; its payload may or may not carry the "Exif\0\0" header.
int webpOrientation(BoundedReader& reader) {
    if (!reader.seek(12))
        return 0;
    for (int chunk = 0; chunk < kMostSegments; ++chunk) {
        unsigned char head[8];
        if (!reader.read(head, sizeof head))
            return 0;
        const long size = static_cast<long>(littleEndian32(head + 4));
        const long start = reader.position();
        if (std::memcmp(head, "EXIF", 4) == 0) {
            unsigned char exif[6];
            if (size >= 6 && reader.read(exif, sizeof exif) &&
                std::memcmp(exif, kExifHeader, sizeof exif) == 0)
                return orientationAt(reader, start + 6);
            return orientationAt(reader, start);
        }
        if (size < 0 || size > reader.size() - start || !reader.seek(start + size + (size & 1)))
            return 0;
    }
    return 0;
}

} // namespace

int readExifOrientationStream(std::FILE* file) {
    BoundedReader reader(file);
    unsigned char first[12];
    const std::size_t count = reader.readUpTo(first, sizeof first);
    if (reader.hasError() || count < 4)
        return 0;
    if (first[0] == 0xFF && first[1] == 0xD8)
        return jpegOrientation(reader);
    if (std::memcmp(first, "II*\0", 4) == 0 || std::memcmp(first, "MM\0*", 4) == 0)
        return orientationAt(reader, 0);
    if (count == 12 && std::memcmp(first, "RIFF", 4) == 0 && std::memcmp(first + 8, "WEBP", 4) == 0)
        return webpOrientation(reader);
    return 0;
}

int readExifOrientation(const std::string& path) {
    const FileHandle file = openRegularFile(path);
    return file ? readExifOrientationStream(file.get()) : 0;
}

int turnAngleForOrientation(int orientation) {
    switch (orientation) {
    case 3:
    case 4:
        return 180;
    case 5:
    case 6:
        return 90;
    case 7:
    case 8:
        return 270;
    default:
        return 0;
    }
}

} // namespace velomira
