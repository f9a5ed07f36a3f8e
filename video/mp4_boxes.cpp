#include "video/mp4_boxes.h"

#include "platform/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

// A real file has a handful of top-level boxes; the bound keeps a file of tiny boxes cheap.
constexpr int kMaxTopLevelBoxes = 4096;

bool readAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

std::uint64_t bigEndian(const unsigned char* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

} // namespace

Mp4Layout readMp4Layout(const std::string& path) {
    Mp4Layout layout;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return layout;
    layout.readable = true;
    layout.fileSize = static_cast<std::uint64_t>(info.st_size);
    std::uint64_t offset = 0;
    for (int box = 0; offset < layout.fileSize; ++box) {
        if (box == kMaxTopLevelBoxes) {
            layout.problem = "too many boxes";
            return layout;
        }
        unsigned char head[16];
        if (layout.fileSize - offset < 8 || !readAt(fd.get(), offset, head, 8)) {
            layout.problem = "truncated box header";
            return layout;
        }
        std::uint64_t size = bigEndian(head, 4);
        const std::string type(reinterpret_cast<const char*>(head + 4), 4);
        std::uint64_t headerSize = 8;
        if (size == 1) {
            if (layout.fileSize - offset < 16 || !readAt(fd.get(), offset + 8, head + 8, 8)) {
                layout.problem = "truncated box header";
                return layout;
            }
            size = bigEndian(head + 8, 8);
            headerSize = 16;
        } else if (size == 0) {
            size = layout.fileSize - offset; // the last box runs to the end of the file
        }
        if (size < headerSize || size > layout.fileSize - offset) {
            layout.problem = "box " + type + " beyond the end of the file";
            return layout;
        }
        if (box == 0 && type != "ftyp") {
            layout.problem = "no ftyp at the start";
            return layout;
        }
        layout.boxes.push_back({type, offset, size});
        layout.ftyp = layout.ftyp || type == "ftyp";
        layout.moov = layout.moov || type == "moov";
        layout.mdat = layout.mdat || type == "mdat";
        offset += size;
    }
    return layout;
}

bool Mp4Layout::indexFirst() const {
    for (const Mp4Box& box : boxes) {
        if (box.type == "moov")
            return true;
        if (box.type == "mdat")
            return false;
    }
    return false;
}

std::string describeMp4Problem(const Mp4Layout& layout) {
    if (layout.complete())
        return {};
    if (!layout.readable)
        return "文件无法读取";
    if (layout.fileSize == 0)
        return "文件为空";
    if (!layout.problem.empty())
        return "MP4 结构损坏: " + layout.problem;
    std::string missing;
    for (const auto& [present, name] :
         {std::pair{layout.ftyp, "ftyp"}, {layout.moov, "moov"}, {layout.mdat, "mdat"}}) {
        if (!present)
            missing += std::string(missing.empty() ? "" : ", ") + name;
    }
    return "MP4 缺少 " + missing;
}

} // namespace velomira
