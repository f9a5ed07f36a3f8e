#include "render/folder_sink.h"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace velomira {

FolderSink::FolderSink(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path FolderSink::framePath(int number) const {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.jpg", number);
    return folder_ / name;
}

bool FolderSink::writeFrame(const unsigned char* bytes, std::size_t length) {
    if (!bytes || length == 0)
        return false;
    std::filesystem::path path = framePath(count_ + 1);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(length));
    out.close();
    if (!out) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return false;
    }
    ++count_;
    return true;
}

bool FolderSink::repeatFrame(const unsigned char* bytes, std::size_t length) {
    if (count_ == 0)
        return writeFrame(bytes, length);
    std::filesystem::path previous = framePath(count_);
    std::filesystem::path next = framePath(count_ + 1);
    std::error_code ec;
    std::filesystem::remove(next, ec);
    std::filesystem::create_hard_link(previous, next, ec);
    if (ec) {
        ec.clear();
        std::filesystem::copy_file(previous, next, ec);
        if (ec)
            return false;
    }
    ++count_;
    return true;
}

} // namespace velomira
