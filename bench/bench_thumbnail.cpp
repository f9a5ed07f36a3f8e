// Thumbnail of a large JPEG (header probe + icon, as the picture list does it) against a plain
// full-size decode of the same file. The thumbnail should cost at most a fifth of the decode;
// with much fine detail the entropy decoding, which no scaled decode can skip, sets a floor.
#include "media/picture_probe.h"
#include "render/image/magick_handles.h"
#include "render/image/thumbnail.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace velomira;

namespace {

constexpr int kRuns = 11;

// 4000x3000 test pictures. "smooth" is a plain gradient (little detail, a small file);
// "textured" adds noise made at an eighth of the size and enlarged, which gives about the
// detail and file size (some 2 bits per pixel) of a 12-megapixel camera picture.
bool writeTestPhoto(const std::string& path, bool textured) {
    velomira::Image photo = newImage();
    const std::size_t divisor = textured ? 8 : 1;
    MagickSetSize(photo.get(), 4000 / divisor, 3000 / divisor);
    if (MagickReadImage(photo.get(), "gradient:#1d4f9a-#e8b04a") == MagickFalse)
        return false;
    if (textured) {
        MagickAddNoiseImage(photo.get(), GaussianNoise);
        MagickResizeImage(photo.get(), 4000, 3000, LanczosFilter, 1.0);
    }
    MagickSetImageFormat(photo.get(), "JPEG");
    MagickSetImageCompressionQuality(photo.get(), 90);
    return MagickWriteImage(photo.get(), path.c_str()) == MagickTrue;
}

double medianMilliseconds(const std::function<bool()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!work()) {
            std::fprintf(stderr, "bench_thumbnail: a run failed\n");
            std::exit(1);
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median times of the thumbnail and of the full decode, measured in alternating rounds so
// that both see the same machine load.
void compare(const char* label, const std::string& path) {
    auto thumbnail = [&] {
        const PictureFacts picture = probePicture(path);
        if (picture.kind != PictureKind::Jpeg)
            return false;
        Blob icon;
        return makeThumbnailIcon(picture, 144, 144, 0, icon).status == ThumbnailStatus::Made;
    };
    auto fullDecode = [&] {
        velomira::Image image = newImage();
        return MagickReadImage(image.get(), path.c_str()) == MagickTrue;
    };
    thumbnail(); // load the coder modules before timing
    fullDecode();
    std::vector<double> thumbTimes, fullTimes;
    for (int round = 0; round < 3; ++round) {
        thumbTimes.push_back(medianMilliseconds(thumbnail));
        fullTimes.push_back(medianMilliseconds(fullDecode));
    }
    std::sort(thumbTimes.begin(), thumbTimes.end());
    std::sort(fullTimes.begin(), fullTimes.end());
    const double thumb = thumbTimes[1];
    const double full = fullTimes[1];
    const double ratio = thumb / full;
    std::printf("%s 4000x3000 JPEG, %.1f MB:\n", label,
                static_cast<double>(std::filesystem::file_size(path)) / 1048576.0);
    std::printf("  probePicture + makeThumbnailIcon:   median %7.2f ms\n", thumb);
    std::printf("  full-size MagickReadImage:          median %7.2f ms\n", full);
    std::printf("  ratio %.3f (target <= 0.2): %s\n", ratio, ratio <= 0.2 ? "met" : "missed");
}

} // namespace

int main() {
    initImageLibrary();
    const auto folder = std::filesystem::temp_directory_path();
    const std::string stem = "velomira-bench-" + std::to_string(getpid());
    const std::string smooth = (folder / (stem + "-smooth.jpg")).string();
    const std::string textured = (folder / (stem + "-textured.jpg")).string();
    if (!writeTestPhoto(smooth, false) || !writeTestPhoto(textured, true)) {
        std::fprintf(stderr, "bench_thumbnail: cannot write the test pictures\n");
        return 1;
    }
    compare("smooth", smooth);
    compare("textured", textured);
    std::filesystem::remove(smooth);
    std::filesystem::remove(textured);
    return 0;
}
