// The focal region's cost: reading a 12-megapixel photograph at the working size and finding
// its faces (aim: at most 150 ms of processor time), and the time each picture adds when an
// album of PHOTOS (default 100) such photographs is scanned one after another, as the window's
// background scan does after adding them.
#include "bench/bench_clock.h"
#include "media/focal/focal_detection.h"
#include "render/focal_scan.h"
#include "render/image/image_layer.h"
#include "support/focal_pictures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace velomira;

namespace {

constexpr int kRuns = 9;

std::string photoPath(const std::string& folder, int index) {
    return folder + "/photo" + std::to_string(index) + ".jpg";
}

// 4000 x 3000 photographs with the astronaut at a place that moves with the index.
std::vector<std::string> makePhotos(const std::string& folder, int count,
                                    const std::string& astronaut) {
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const std::string path = photoPath(folder, i);
        if (!std::filesystem::exists(path))
            testing::writePastedPhoto(path, astronaut, testing::kAstronaut.subject, 4000, 3000,
                                      200 + (i * 331) % 2200, 200 + (i * 197) % 1200, 3.0,
                                      static_cast<unsigned>(i + 1));
        paths.push_back(path);
    }
    return paths;
}

double medianCpuMs(const std::function<FocalDetection()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const double start = cpuSeconds();
        const FocalDetection found = work();
        times.push_back((cpuSeconds() - start) * 1000.0);
        if (found.source != FocalSource::Faces)
            std::fprintf(stderr, "bench_focal_detection: no face found\n");
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The photograph's grey pixels at the working size, as the scan hands them to the detector.
GreyPicture workingGrey(const std::string& path) {
    GreyPicture grey;
    velomira::Image picture = readPicture(path, "#ffffff", {kFocalWorkingSide, kFocalWorkingSide});
    const double scale = static_cast<double>(kFocalWorkingSide) /
                         static_cast<double>(std::max(MagickGetImageWidth(picture.get()),
                                                      MagickGetImageHeight(picture.get())));
    grey.width = static_cast<int>(MagickGetImageWidth(picture.get()) * scale);
    grey.height = static_cast<int>(MagickGetImageHeight(picture.get()) * scale);
    MagickScaleImage(picture.get(), static_cast<std::size_t>(grey.width),
                     static_cast<std::size_t>(grey.height));
    grey.pixels.resize(static_cast<std::size_t>(grey.width * grey.height));
    MagickExportImagePixels(picture.get(), 0, 0, static_cast<std::size_t>(grey.width),
                            static_cast<std::size_t>(grey.height), "I", CharPixel,
                            grey.pixels.data());
    return grey;
}

} // namespace

int main() {
    const auto astronaut = testing::shippedPhoto(testing::kAstronaut.fileName);
    const std::string cascades = findCascadeFolder();
    if (!astronaut || cascades.empty()) {
        std::fprintf(stderr, "bench_focal_detection: needs python3-skimage and opencv-data\n");
        return 1;
    }
    const char* photosText = std::getenv("PHOTOS");
    const int photos = std::max(1, photosText ? std::atoi(photosText) : 100);
    const char* workText = std::getenv("BENCH_WORK");
    const std::string folder = workText ? workText : "/tmp/velomira-bench-focal";
    const std::vector<std::string> paths = makePhotos(folder, photos, *astronaut);

    double start = cpuSeconds();
    const FocalDetector detector(cascades);
    const double loadMs = (cpuSeconds() - start) * 1000.0;
    const double oneMs = medianCpuMs([&] { return scanFocalRegion(detector, paths.front()); });
    const GreyPicture grey = workingGrey(paths.front());
    const double detectMs = medianCpuMs([&] { return detector.detect(grey); });

    start = cpuSeconds();
    const double wallStart = wallSeconds();
    int faces = 0;
    for (const std::string& path : paths)
        faces += scanFocalRegion(detector, path).source == FocalSource::Faces ? 1 : 0;
    const double albumCpu = cpuSeconds() - start;
    const double albumWall = wallSeconds() - wallStart;

    std::printf("face models read once: %.1f ms CPU\n", loadMs);
    std::printf("12-MP photo, read at %d px and analysed: %.1f ms CPU (median of %d; aim <= 150)\n",
                kFocalWorkingSide, oneMs, kRuns);
    std::printf("  of which the analysis of the %d x %d grey picture: %.1f ms CPU\n", grey.width,
                grey.height, detectMs);
    std::printf("%d-photo album: %.1f ms CPU and %.1f ms wall added per picture, faces in %d\n",
                photos, albumCpu * 1000.0 / photos, albumWall * 1000.0 / photos, faces);
    return oneMs <= 150.0 ? 0 : 2;
}
