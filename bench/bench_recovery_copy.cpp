// The recovery copy of a 1000-picture album: what the window's thread does each timer tick
// (build the project document and compare it with the last one) against the 50 ms a window
// may stall, and what the writer's thread does (print, convert, write atomically).
#include "album/project_document.h"
#include "bench_clock.h"
#include "services/recovery_copy.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace velomira;

namespace {

constexpr int kPictures = 1000;
constexpr int kRuns = 21;

AlbumProject album() {
    AlbumProject project;
    for (int i = 0; i < kPictures; ++i) {
        AlbumItem item;
        item.path = "/home/user/图片/2026 夏天/旅行/IMG_" + std::to_string(10000 + i) + ".jpg";
        item.fileName = "IMG_" + std::to_string(10000 + i) + ".jpg";
        item.animationIndex = i % 97;
        item.caption.text = "第" + std::to_string(i) + "张 海边的日落";
        project.items.push_back(item);
    }
    return project;
}

template <typename F> double medianMs(F&& run) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const double start = wallSeconds();
        run();
        times.push_back((wallSeconds() - start) * 1000.0);
    }
    std::nth_element(times.begin(), times.begin() + kRuns / 2, times.end());
    return times[kRuns / 2];
}

} // namespace

int main() {
    const AlbumProject project = album();
    ProjectDocument last = documentFromAlbum(project);
    bool differs = false;
    const double tick = medianMs([&] {
        ProjectDocument now = documentFromAlbum(project);
        differs = now != last;
        last = std::move(now);
    });
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "velomira-bench-recovery";
    const double write = medianMs([&] {
        writeRecoveryCopy(folder, {last, "/home/user/album.dat", "/none"});
    });
    std::filesystem::remove_all(folder);
    std::printf("window thread per tick, %d pictures: %.2f ms (limit 50 ms)%s\n", kPictures, tick,
                differs ? " (changed)" : "");
    std::printf("writer thread per copy: %.2f ms\n", write);
    return tick < 50.0 ? 0 : 1;
}
