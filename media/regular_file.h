#pragma once
// Opening a picture file for the header readers: only a regular file counts. A folder, a FIFO
// (which would block until a writer comes) or a device is a file that cannot be opened.
#include <cstdio>
#include <memory>
#include <string>

namespace velomira {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Null when the path is not a regular file that can be read.
FileHandle openRegularFile(const std::string& path);

} // namespace velomira
