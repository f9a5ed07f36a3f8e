#include "video/pending_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace velomira {

namespace {

constexpr int kNameDraws = 100;

} // namespace

PendingOutput::PendingOutput(std::string target) : target_(std::move(target)) {
    const std::filesystem::path path(target_);
    const std::string prefix = (path.parent_path() / ("." + path.filename().string())).string() +
                               "." + std::to_string(::getpid()) + "-";
    for (int n = 0; n < kNameDraws; ++n) {
        temporary_ = prefix + std::to_string(n) + ".part.mp4";
        // O_EXCL keeps two runs of this process (and leftovers of a crashed one) apart.
        const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

PendingOutput::~PendingOutput() {
    if (!committed_)
        ::unlink(temporary_.c_str());
}

bool PendingOutput::commit(std::string& failure) {
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        failure = "cannot replace " + target_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}

} // namespace velomira
