// Adding 300 camera pictures (4000 x 3000 JPEG) through the window's adding routine: the batch,
// whose thumbnails are made ahead by workers, against adding the same files one by one, in the
// same run. Both must give the same items, order and refusals; the batch should take at most
// 0.7 of the one-by-one time. Then opening a 1000-picture project through the batch. The
// machine is shared, so each side runs BENCH_RUNS times (default 3) and the best wall time
// counts; the process CPU time of that run is printed beside it. The batch gains only where
// both cores are free to it: on a loaded machine whose scheduler shares the CPU by session
// (autogroups), a second thread of the same session gets no more time, and the ratio says 1.
#include "album/project_apply.h"
#include "album/project_reading.h"
#include "bench/bench_clock.h"
#include "render/image/magick_handles.h"
#include "services/picture_batch.h"
#include "services/project_open.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace velomira;

namespace {

struct Timing {
    double wall = 1e30;
    double cpu = 0;
};

// Runs work and keeps the best wall time (with its CPU time) in best.
template <typename Work> void timeRun(Timing& best, Work&& work) {
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (wall < best.wall)
        best = {wall, cpuSeconds() - cpuStart};
}

struct Outcome {
    std::vector<std::string> paths;
    std::vector<int> transitions;
    std::vector<std::string> refusals;
    std::vector<PictureIcon> icons;
    bool operator==(const Outcome&) const = default;
};

void takeItems(Outcome& outcome, const AlbumProject& album) {
    for (const AlbumItem& item : album.items) {
        outcome.paths.push_back(item.path);
        outcome.transitions.push_back(item.animationIndex);
    }
}

Outcome oneByOne(const std::vector<std::string>& paths) {
    AlbumProject album;
    TransitionRandom random(42);
    Outcome outcome;
    for (const std::string& path : paths) {
        ListPicture added = addListPicture(album, random, path, -1, {});
        if (added.result.status == AddPictureStatus::Refused)
            outcome.refusals.push_back(added.result.infoLine);
        else if (added.result.status == AddPictureStatus::Added)
            outcome.icons.push_back(std::move(added.icon));
    }
    takeItems(outcome, album);
    return outcome;
}

// The longest stretch without a pump, as a window would feel it.
struct PumpWatch {
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    double longest = 0;
    int statuses = 0;
    void pump() {
        const auto now = std::chrono::steady_clock::now();
        longest = std::max(longest, std::chrono::duration<double>(now - last).count());
        last = now;
    }
};

Outcome inBatch(const std::vector<std::string>& paths, PumpWatch& watch) {
    AlbumProject album;
    TransitionRandom random(42);
    Outcome outcome;
    PictureBatchCallbacks callbacks;
    callbacks.added = [&](std::size_t, int, const PictureIcon& icon) {
        outcome.icons.push_back(icon);
    };
    callbacks.refused = [&](const std::string& line) { outcome.refusals.push_back(line); };
    callbacks.status = [&](const std::string&) { ++watch.statuses; };
    callbacks.pump = [&] { watch.pump(); };
    addPictureBatch(album, random, paths, PictureBatchOptions{}, callbacks);
    takeItems(outcome, album);
    return outcome;
}

std::string projectText(const std::vector<std::string>& pictures, int count) {
    std::string text =
        "{\"text_watermark\":0,\"text_watermark_font\":0,\"text_watermark_color\":8,\"logo\":0,"
        "\"logo_location\":2,\"bgsound\":0,\"bgsound_auto_set_pause_time\":0,"
        "\"video_size\":\"1280x720\",\"pause_time\":21,\"imgs\":[";
    for (int i = 0; i < count; ++i) {
        const std::string& path = pictures[static_cast<std::size_t>(i) % pictures.size()];
        text += (i ? "," : "") + std::string("{\"path\":\"") + path +
                "\",\"animationIndex\":" + std::to_string(i ? i % 93 : 99) +
                ",\"animationName\":\"\",\"fileName\":\"p\",\"watermark_location\":4,"
                "\"watermark_text\":\"\",\"turnAngle\":" +
                std::to_string(i % 7 == 0 ? 90 : 0) + "}";
    }
    return text + "]}";
}

int openProject(const std::string& text, bool batch) {
    AlbumProject album;
    TransitionRandom random(7);
    if (batch) {
        ProjectOpening opening;
        opening.fontNames = {"Font"};
        applyProjectText(album, text, random, opening);
        return albumItemCount(album);
    }
    const ProjectReading reading = parseProjectDocument(text);
    for (const ProjectItemEntry& entry :
         reading.document.imgs.value_or(std::vector<ProjectItemEntry>{})) {
        const int position = addListPicture(album, random, entry.path, -1, {}).result.position;
        if (AlbumItem* item = albumItemAt(album, position))
            applyProjectItemEntry(*item, entry);
    }
    return albumItemCount(album);
}

} // namespace

int main() {
    initImageLibrary();
    const int runs =
        std::max(1, std::atoi(std::getenv("BENCH_RUNS") ? std::getenv("BENCH_RUNS") : "3"));
    const std::filesystem::path folder =
        std::filesystem::path(std::getenv("BENCH_WORK") ? std::getenv("BENCH_WORK")
                                                        : "/tmp/velomira-bench") /
        "camera";
    const std::string draw = std::string(VELOMIRA_BENCH_SOURCE_DIR) + "/make_camera_pictures.sh '" +
                             folder.string() + "' 300 >/dev/null";
    if (std::system(draw.c_str()) != 0) {
        std::fprintf(stderr, "bench_picture_batch: cannot draw the camera pictures\n");
        return 1;
    }
    std::vector<std::string> camera;
    for (int i = 1; i <= 300; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "camera_%03d.jpg", i);
        camera.push_back((folder / name).string());
    }
    // A few files the list refuses, among the pictures.
    const std::string empty = (folder / "refused_empty.jpg").string();
    const std::string text = (folder / "refused_text.png").string();
    std::ofstream(empty).close();
    std::ofstream(text) << "not a picture";
    std::vector<std::string> paths = camera;
    paths.insert(paths.begin() + 100, empty);
    paths.insert(paths.begin() + 200, text);
    paths.insert(paths.begin() + 250, (folder / "missing.jpg").string());

    Timing single, batch;
    Outcome singleOutcome, batchOutcome;
    PumpWatch watch;
    for (int run = 0; run < runs; ++run) {
        timeRun(single, [&] { singleOutcome = oneByOne(paths); });
        watch = PumpWatch{};
        timeRun(batch, [&] { batchOutcome = inBatch(paths, watch); });
        if (!(singleOutcome == batchOutcome)) {
            std::fprintf(stderr, "bench_picture_batch: the batch differs from one by one\n");
            return 1;
        }
    }
    const double ratio = batch.wall / single.wall;
    std::printf("300 camera pictures 4000x3000 JPEG (+3 refused files), best of %d:\n", runs);
    std::printf("  items %zu, refusals %zu: identical in both ways\n", batchOutcome.paths.size(),
                batchOutcome.refusals.size());
    std::printf("  one by one: %7.2f s wall (%.2f s CPU)\n", single.wall, single.cpu);
    std::printf("  batch:      %7.2f s wall (%.2f s CPU), %d status texts, longest time "
                "without a pump %.0f ms\n",
                batch.wall, batch.cpu, watch.statuses, watch.longest * 1000);
    std::printf("  ratio batch / one by one: %.2f (target <= 0.7): %s\n", ratio,
                ratio <= 0.7 ? "met" : "missed");

    const std::string project = projectText(camera, 1000);
    Timing opened, openedSingly;
    // BENCH_PROJECT_RUNS=0 leaves the project out.
    const char* projectRunsText = std::getenv("BENCH_PROJECT_RUNS");
    const int projectRuns = projectRunsText ? std::atoi(projectRunsText) : std::max(1, runs - 1);
    if (projectRuns < 1)
        return 0;
    int items = 0;
    for (int run = 0; run < projectRuns; ++run) {
        timeRun(opened, [&] { items = openProject(project, true); });
        timeRun(openedSingly, [&] { openProject(project, false); });
    }
    std::printf("opening a 1000-picture project, best of %d:\n", projectRuns);
    std::printf("  through the batch: %6.2f s wall (%.2f s CPU), %d items\n", opened.wall,
                opened.cpu, items);
    std::printf("  one by one:        %6.2f s wall (%.2f s CPU), ratio %.2f\n", openedSingly.wall,
                openedSingly.cpu, opened.wall / openedSingly.wall);
    return items == 1000 ? 0 : 1;
}
