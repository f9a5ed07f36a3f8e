#pragma once
// Shared by the fuzz targets: the input as a real file for the path-based readers, and the
// check that turns a broken invariant into a crash the fuzzer reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace velomira::fuzz {

// One memory file for the whole run, rewritten for each input and reached through /proc.
inline const std::string& bytesAsFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("fuzz_input", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    return path;
}

inline void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace velomira::fuzz
