#include "media/header_probe_stream.h"

#include "media/bounded_reader.h"
#include "media/header_probe_modern.h"
#include "media/image_header.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace velomira {
namespace {

struct ImageSignature {
    unsigned char first;
    unsigned char second;
    const char* name;
    PictureKind kind;
};

// Checked in this order: the first two bytes of the file decide the format.
constexpr ImageSignature kSignatures[] = {
    {'B', 'M', "BMP", PictureKind::Bmp},
    {0xFF, 0xD8, "JPEG", PictureKind::Jpeg},
    {'G', 'I', "GIF", PictureKind::Gif},
    {0x89, 'P', "PNG", PictureKind::Png},
};

const ImageSignature* matchSignature(const unsigned char* bytes, std::size_t count) {
    if (count < 2)
        return nullptr;
    for (const ImageSignature& signature : kSignatures)
        if (bytes[0] == signature.first && bytes[1] == signature.second)
            return &signature;
    return nullptr;
}

// ---- GIF block walk ----

constexpr unsigned kGifExtension = 0x21;
constexpr unsigned kGifImage = 0x2C;
constexpr unsigned kGifTrailer = 0x3B;
constexpr long kGifScreenEnd = 13; // header and logical screen descriptor

long colourTableBytes(unsigned packed) {
    if ((packed & 0x80) == 0)
        return 0;
    return 3L << ((packed & 7) + 1);
}

// Skips length-prefixed sub-blocks up to and including the zero terminator.
bool skipSubBlocks(BoundedReader& reader) {
    unsigned length;
    while (reader.readByte(length)) {
        if (length == 0)
            return true;
        if (!reader.skip(length))
            return false;
    }
    return false;
}

bool skipExtension(BoundedReader& reader) {
    unsigned label;
    if (!reader.readByte(label))
        return false;
    switch (label) {
    case 0x01: // plain text: fixed part, then text sub-blocks
        return reader.skip(13) && skipSubBlocks(reader);
    case 0xF9: // graphic control: size byte, 4 data bytes, terminator
        return reader.skip(6);
    case 0xFF: // application: size byte, identifier and code, then data sub-blocks
        return reader.skip(12) && skipSubBlocks(reader);
    default: // comment and any unknown label: nothing but data sub-blocks
        return skipSubBlocks(reader);
    }
}

bool skipImage(BoundedReader& reader) {
    unsigned packed;
    if (!reader.skip(8) || !reader.readByte(packed))
        return false;
    // Local colour table, then the LZW minimum code size, then the image data.
    return reader.skip(colourTableBytes(packed)) && reader.skip(1) && skipSubBlocks(reader);
}

// Tells a single picture from an animation. Every step consumes at least one byte and a
// step that would cross the end of the file fails, so a broken file always ends the walk.
PictureKind walkGifBlocks(BoundedReader& reader, unsigned screenPacked) {
    if (!reader.seek(kGifScreenEnd) || !reader.skip(colourTableBytes(screenPacked)))
        return PictureKind::Unrecognised;
    bool imageSeen = false;
    unsigned introducer;
    while (reader.readByte(introducer)) {
        if (introducer == kGifExtension) {
            if (!skipExtension(reader))
                return PictureKind::Unrecognised;
        } else if (introducer == kGifImage) {
            if (imageSeen)
                return PictureKind::AnimatedGif;
            if (!skipImage(reader))
                return PictureKind::Unrecognised;
            imageSeen = true;
        } else if (introducer == kGifTrailer) {
            return PictureKind::Gif;
        } else {
            return PictureKind::Unrecognised;
        }
    }
    return PictureKind::Unrecognised; // ended without a trailer
}

// ---- sizes by format ----

constexpr std::size_t kHeaderBytes = 32;
constexpr std::int64_t kLargestBmpSide = 100000;
constexpr std::uint32_t kBmpCoreHeaderSize = 12;

bool readGifSize(const unsigned char* bytes, std::size_t count, ImageHeader& header) {
    if (count < 10)
        return false;
    header.width = static_cast<int>(littleEndian16(bytes + 6));
    header.height = static_cast<int>(littleEndian16(bytes + 8));
    return true;
}

// The IHDR fields are read whole, so pictures of 65,536 pixels or more keep their size.
bool readPngSize(const unsigned char* bytes, std::size_t count, ImageHeader& header) {
    if (count < 24)
        return false;
    std::uint32_t width = bigEndian32(bytes + 16);
    std::uint32_t height = bigEndian32(bytes + 20);
    if (width > INT_MAX || height > INT_MAX)
        return false;
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    return true;
}

bool readBmpSize(const unsigned char* bytes, std::size_t count, ImageHeader& header) {
    if (count < 26)
        return false;
    header.fileSize = static_cast<long>(littleEndian32(bytes + 2));
    // Absolute values in 64 bits: the most negative 32-bit height has no 32-bit absolute.
    std::int64_t width = std::llabs(static_cast<std::int32_t>(littleEndian32(bytes + 18)));
    std::int64_t height = std::llabs(static_cast<std::int32_t>(littleEndian32(bytes + 22)));
    bool coreHeader = littleEndian32(bytes + 14) == kBmpCoreHeaderSize;
    if (coreHeader || width > kLargestBmpSide || height > kLargestBmpSide) {
        // The old core header holds 16-bit sides right after its size field.
        width = littleEndian16(bytes + 18);
        height = littleEndian16(bytes + 20);
    }
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    return true;
}

// Walks the segments after the start-of-image marker to the first baseline or progressive
// frame header. Every segment consumes at least four bytes, and a length below 2 (which
// would point back into the segment) is a broken file.
bool readJpegSize(BoundedReader& reader, ImageHeader& header) {
    if (!reader.seek(2))
        return false;
    for (;;) {
        unsigned prefix, marker, length;
        if (!reader.readByte(prefix) || prefix != 0xFF || !reader.readByte(marker) ||
            !reader.readBigEndian16(length))
            return false;
        if ((marker & ~2u) == 0xC0) { // SOF0 or SOF2
            unsigned height, width;
            if (!reader.skip(1) || !reader.readBigEndian16(height) ||
                !reader.readBigEndian16(width))
                return false;
            header.width = static_cast<int>(width);
            header.height = static_cast<int>(height);
            return true;
        }
        if (length < 2 || !reader.skip(static_cast<long>(length) - 2))
            return false;
    }
}

} // namespace

PictureKind probeImageKindStream(std::FILE* file) {
    BoundedReader reader(file);
    unsigned char bytes[15];
    std::size_t count = reader.readUpTo(bytes, sizeof bytes);
    if (reader.hasError())
        return PictureKind::Unreadable;
    const ImageSignature* signature = matchSignature(bytes, count);
    if (!signature) {
        const PictureKind kind = probeModernKind(reader, bytes, count);
        return reader.hasError() ? PictureKind::Unreadable : kind;
    }
    if (signature->kind != PictureKind::Gif)
        return signature->kind;
    if (count >= 6 && bytes[3] == '8' && bytes[4] == '7' && bytes[5] == 'a')
        return PictureKind::Gif; // 87a has no extensions, so it cannot be an animation
    if (count < 11)
        return PictureKind::Unrecognised;
    return walkGifBlocks(reader, bytes[10]);
}

bool readImageHeaderStream(std::FILE* file, ImageHeader& header) {
    BoundedReader reader(file);
    unsigned char bytes[kHeaderBytes];
    std::size_t count = reader.readUpTo(bytes, sizeof bytes);
    const ImageSignature* signature = matchSignature(bytes, count);
    if (reader.hasError())
        return false;

    ImageHeader found;
    found.fileSize = reader.size();
    bool read = false;
    const PictureKind kind = signature ? signature->kind : probeModernKind(reader, bytes, count);
    if (signature)
        found.formatName = signature->name;
    switch (kind) {
    case PictureKind::Gif:
        read = readGifSize(bytes, count, found);
        break;
    case PictureKind::Png:
        read = readPngSize(bytes, count, found);
        break;
    case PictureKind::Bmp:
        read = readBmpSize(bytes, count, found);
        break;
    case PictureKind::Jpeg:
        read = readJpegSize(reader, found);
        break;
    default:
        read = isStillKind(kind) && readModernHeader(reader, kind, found);
        break;
    }
    if (!read || reader.hasError() || found.fileSize < 1 || found.width < 1 || found.height < 1)
        return false;
    header = found;
    return true;
}

std::string describeImageHeader(const ImageHeader& header) {
    char text[160];
    const long size = header.fileSize;
    if (size < 1024)
        std::snprintf(text, sizeof text, "尺寸: %d x %d, 类型: %s 图片, 大小: %ld 字节",
                      header.width, header.height, header.formatName.c_str(), size);
    else if (size > 1048575)
        std::snprintf(text, sizeof text, "尺寸: %d x %d, 类型: %s 图片, 大小: %0.1f MB",
                      header.width, header.height, header.formatName.c_str(),
                      size / 1024.0 / 1024.0);
    else
        std::snprintf(text, sizeof text, "尺寸: %d x %d, 类型: %s 图片, 大小: %0.1f KB",
                      header.width, header.height, header.formatName.c_str(), size / 1024.0);
    return text;
}

} // namespace velomira
