#include "render/folder_sink.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace velomira {

namespace {

// A new file only: never over a file that is there, never through a link to somewhere else.
bool writeNewFile(const std::filesystem::path& path, const unsigned char* bytes,
                  std::size_t length) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.valid())
        return false;
    std::size_t done = 0;
    while (done < length) {
        const ssize_t wrote = ::write(fd.get(), bytes + done, length - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            break;
        done += static_cast<std::size_t>(wrote);
    }
    if (done == length && fd.close())
        return true;
    ::unlink(path.c_str());
    return false;
}

} // namespace

FolderSink::FolderSink(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path FolderSink::framePath(int number) const {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.jpg", number);
    return folder_ / name;
}

bool FolderSink::writeFrame(const unsigned char* bytes, std::size_t length) {
    if (!bytes || length == 0)
        return false;
    if (!writeNewFile(framePath(count_ + 1), bytes, length))
        return false;
    ++count_;
    return true;
}

bool FolderSink::repeatFrame(const unsigned char* bytes, std::size_t length) {
    if (count_ == 0)
        return writeFrame(bytes, length);
    const std::filesystem::path previous = framePath(count_);
    const std::filesystem::path next = framePath(count_ + 1);
    // A link never replaces a name that is taken; where links are refused the bytes are written.
    if (::link(previous.c_str(), next.c_str()) != 0 &&
        (errno == EEXIST || !writeNewFile(next, bytes, length)))
        return false;
    ++count_;
    return true;
}

} // namespace velomira
