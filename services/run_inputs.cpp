#include "services/run_inputs.h"

#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

// "NNNNNN.jpg": the names FolderSink gives its frames.
bool isFrameName(const std::string& name) {
    if (name.size() != 10 || name.compare(6, 4, ".jpg") != 0)
        return false;
    return name.find_first_not_of("0123456789") == 6;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::vector<std::string> albumInputFiles(const AlbumProject& album) {
    std::vector<std::string> inputs;
    for (const AlbumItem& item : album.items)
        inputs.push_back(item.path);
    for (const MusicTrack& track : album.musicItems)
        inputs.push_back(track.path);
    if (album.settings.logo && !album.settings.logoPath.empty())
        inputs.push_back(album.settings.logoPath);
    if (album.settings.cover && !album.settings.coverPath.empty())
        inputs.push_back(album.settings.coverPath);
    return inputs;
}

std::string inputAt(const std::string& output, const std::vector<std::string>& inputs) {
    struct stat target {};
    if (output.empty() || ::stat(output.c_str(), &target) != 0)
        return {};
    for (const std::string& input : inputs) {
        struct stat info {};
        if (!input.empty() && ::stat(input.c_str(), &info) == 0 && sameFile(info, target))
            return input;
    }
    return {};
}

FrameFolderCheck checkFrameFolder(const std::string& folder,
                                  const std::vector<std::string>& inputs) {
    FrameFolderCheck check;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (check.otherFile.empty())
            check.otherFile = name;
        if (check.input.empty() && isFrameName(name))
            check.input = inputAt(entry->path().string(), inputs);
    }
    return check;
}

bool clearEarlierFrames(const std::string& folder, std::string& error) {
    std::error_code listing;
    for (std::filesystem::directory_iterator entry(folder, listing), end; !listing && entry != end;
         entry.increment(listing)) {
        const std::filesystem::path path = entry->path();
        struct stat info {};
        if (!isFrameName(path.filename().string()) || ::lstat(path.c_str(), &info) != 0 ||
            S_ISDIR(info.st_mode))
            continue;
        if (::unlink(path.c_str()) != 0) {
            error = "cannot remove " + path.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

} // namespace velomira
