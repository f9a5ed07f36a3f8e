#include "video/mp4_index_move.h"

#include "platform/unique_fd.h"
#include "video/mp4_boxes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace velomira {

namespace {

// An index holds a few bytes per frame; beyond this the file is not one of ours.
constexpr std::uint64_t kMaxIndexBytes = 256ull << 20;

std::uint64_t readBig(const unsigned char* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

void writeBig(unsigned char* bytes, int count, std::uint64_t value) {
    for (int i = count - 1; i >= 0; --i, value >>= 8)
        bytes[i] = static_cast<unsigned char>(value & 0xff);
}

bool isContainer(const std::string& type) {
    return type == "moov" || type == "trak" || type == "mdia" || type == "minf" || type == "stbl";
}

// Adds shift to every chunk offset (stco, co64) inside box[begin, end). False when a box is
// malformed or a 32-bit offset would overflow.
bool shiftChunkOffsets(std::vector<unsigned char>& box, std::size_t begin, std::size_t end,
                       std::uint64_t shift) {
    while (begin + 8 <= end) {
        std::uint64_t size = readBig(&box[begin], 4);
        const std::string type(reinterpret_cast<const char*>(&box[begin + 4]), 4);
        std::size_t header = 8;
        if (size == 1) {
            if (begin + 16 > end)
                return false;
            size = readBig(&box[begin + 8], 8);
            header = 16;
        } else if (size == 0) {
            size = end - begin;
        }
        if (size < header || size > end - begin)
            return false;
        const std::size_t boxEnd = begin + static_cast<std::size_t>(size);
        if (isContainer(type) && !shiftChunkOffsets(box, begin + header, boxEnd, shift))
            return false;
        if (type == "stco" || type == "co64") {
            const int width = type == "stco" ? 4 : 8;
            const std::size_t table = begin + header + 8; // version, flags, entry count
            if (table > boxEnd)
                return false;
            const std::uint64_t count = readBig(&box[table - 4], 4);
            if (count > (boxEnd - table) / width)
                return false;
            for (std::uint64_t i = 0; i < count; ++i) {
                unsigned char* entry = &box[table + i * width];
                const std::uint64_t shifted = readBig(entry, width) + shift;
                if (width == 4 && shifted > 0xffffffffull)
                    return false;
                writeBig(entry, width, shifted);
            }
        }
        begin = boxEnd;
    }
    return begin == end;
}

bool readAll(int fd, std::uint64_t offset, unsigned char* out, std::size_t length) {
    for (std::size_t done = 0; done < length;) {
        const ssize_t got =
            ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool writeAll(int fd, const unsigned char* data, std::size_t length) {
    for (std::size_t done = 0; done < length;) {
        const ssize_t wrote = ::write(fd, data + done, length - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool copyRange(int from, int to, std::uint64_t offset, std::uint64_t length) {
    std::vector<unsigned char> buffer(1 << 20);
    while (length > 0) {
        const std::size_t part =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size()));
        if (!readAll(from, offset, buffer.data(), part) || !writeAll(to, buffer.data(), part))
            return false;
        offset += part;
        length -= part;
    }
    return true;
}

// Writes the boxes into target with the index (already shifted) before the first media box.
bool writeReordered(int source, int target, const Mp4Layout& layout,
                    const std::vector<unsigned char>& index) {
    bool indexWritten = false;
    for (const Mp4Box& box : layout.boxes) {
        if (box.type == "moov")
            continue;
        if (box.type == "mdat" && !indexWritten) {
            if (!writeAll(target, index.data(), index.size()))
                return false;
            indexWritten = true;
        }
        if (!copyRange(source, target, box.offset, box.size))
            return false;
    }
    return indexWritten;
}

} // namespace

bool moveIndexToFront(const std::string& path, std::string& failure) {
    const Mp4Layout layout = readMp4Layout(path);
    if (!layout.complete()) {
        failure = describeMp4Problem(layout);
        return false;
    }
    if (layout.indexFirst())
        return true;
    const Mp4Box* moov = nullptr;
    for (const Mp4Box& box : layout.boxes) {
        if (box.type == "moov")
            moov = moov ? moov : &box;
    }
    if (moov == nullptr || moov->size > kMaxIndexBytes) {
        failure = "index too large";
        return false;
    }
    UniqueFd source(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::vector<unsigned char> index(static_cast<std::size_t>(moov->size));
    if (!source.valid() || !readAll(source.get(), moov->offset, index.data(), index.size())) {
        failure = std::strerror(errno);
        return false;
    }
    // Everything from the first media box on moves back by the index's size.
    if (!shiftChunkOffsets(index, 8, index.size(), moov->size)) {
        failure = "chunk offsets cannot be moved";
        return false;
    }
    const std::string moved = path + ".index";
    UniqueFd target(::open(moved.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!target.valid()) {
        failure = std::strerror(errno);
        return false;
    }
    const bool written = writeReordered(source.get(), target.get(), layout, index);
    failure = std::strerror(errno);
    if (written && target.close()) {
        const Mp4Layout result = readMp4Layout(moved);
        failure = "rewritten file incomplete";
        // One rename replaces the file: there is never a moment without a complete video.
        if (result.complete() && result.indexFirst() && result.fileSize == layout.fileSize) {
            if (std::rename(moved.c_str(), path.c_str()) == 0)
                return true;
            failure = std::strerror(errno);
        }
    }
    ::unlink(moved.c_str());
    return false;
}

} // namespace velomira
