#include "media/tiff_directory.h"

namespace velomira {
namespace {

constexpr unsigned kTagImageWidth = 256;
constexpr unsigned kTagImageLength = 257;
constexpr unsigned kTagOrientation = 274;
constexpr unsigned kTypeShort = 3;
constexpr unsigned kTypeLong = 4;
// More entries than any real first directory holds; a count beyond it is a broken file.
constexpr unsigned kMostEntries = 1024;

struct ByteOrder {
    bool little = true;
    std::uint32_t u16(const unsigned char* p) const {
        return little ? littleEndian16(p) : bigEndian16(p);
    }
    std::uint32_t u32(const unsigned char* p) const {
        return little ? littleEndian32(p) : bigEndian32(p);
    }
};

// A one-value SHORT or LONG entry; anything else has no usable value.
bool entryValue(const ByteOrder& order, const unsigned char* entry, std::uint32_t& value) {
    const unsigned type = order.u16(entry + 2);
    if (order.u32(entry + 4) != 1)
        return false;
    if (type == kTypeShort)
        value = order.u16(entry + 8);
    else if (type == kTypeLong)
        value = order.u32(entry + 8);
    else
        return false;
    return true;
}

} // namespace

bool readTiffDirectory(BoundedReader& reader, long base, TiffDirectory& directory) {
    unsigned char header[8];
    if (!reader.seek(base) || !reader.read(header, sizeof header))
        return false;
    ByteOrder order;
    if (header[0] == 'I' && header[1] == 'I')
        order.little = true;
    else if (header[0] == 'M' && header[1] == 'M')
        order.little = false;
    else
        return false;
    if (order.u16(header + 2) != 42)
        return false;
    const std::uint32_t offset = order.u32(header + 4);
    if (offset < 8 || offset > static_cast<std::uint32_t>(reader.size() - base))
        return false;
    unsigned char countBytes[2];
    if (!reader.seek(base + static_cast<long>(offset)) || !reader.read(countBytes, 2))
        return false;
    const unsigned count = order.u16(countBytes);
    if (count == 0 || count > kMostEntries)
        return false;
    TiffDirectory found;
    for (unsigned i = 0; i < count; ++i) {
        unsigned char entry[12];
        if (!reader.read(entry, sizeof entry))
            return false;
        std::uint32_t value = 0;
        if (!entryValue(order, entry, value))
            continue;
        switch (order.u16(entry)) {
        case kTagImageWidth:
            found.width = static_cast<long>(value);
            break;
        case kTagImageLength:
            found.height = static_cast<long>(value);
            break;
        case kTagOrientation:
            found.orientation = static_cast<int>(value & 0xFFFF);
            break;
        default:
            break;
        }
    }
    directory = found;
    return true;
}

} // namespace velomira
