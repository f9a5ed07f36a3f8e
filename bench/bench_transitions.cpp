// Speed of every built transition at 1280 x 720: each effect renders from one picture to
// another into a sink that only counts (the frames are still encoded, as in a real run), with
// no still frames, once through the imaging library's frames (the reference) and once through
// the 8-bit path. Prints processor time per frame and frames per second of both per effect and
// overall, and, for scale, one plain clone + crop + composite + JPEG encode of a frame.
//
// Usage: bench_transitions [--threads N] [--fast-only] [index or range ...]
//        (default: 1 thread, both paths, 0-98); N threads for the library and for coding frames.
#include "album/transition_catalogue.h"
#include "bench/bench_clock.h"
#include "render/effect_run.h"
#include "render/image/image_layer.h"
#include "render/transition_dispatch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

using namespace velomira;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kBaselineRuns = 20;

class CountingSink final : public FrameSink {
  public:
    bool writeFrame(const unsigned char*, std::size_t length) override {
        ++frames;
        bytes += length;
        return true;
    }
    bool repeatFrame(const unsigned char*, std::size_t length) override {
        return writeFrame(nullptr, length);
    }
    int frames = 0;
    std::size_t bytes = 0;
};

// A photograph-like frame: a gradient with fine noise, so JPEG encoding costs what it costs
// on real pictures rather than on flat colour.
velomira::Image testPicture(const char* gradient) {
    velomira::Image picture = newImage();
    MagickSetSize(picture.get(), kWidth / 4, kHeight / 4);
    if (MagickReadImage(picture.get(), gradient) == MagickFalse)
        return velomira::Image();
    MagickAddNoiseImage(picture.get(), GaussianNoise);
    MagickResizeImage(picture.get(), kWidth, kHeight, LanczosFilter, 1.0);
    return picture;
}

// Parses "31", "45-48"; false for anything else.
bool parseRange(const char* text, int& first, int& last) {
    char* end = nullptr;
    first = static_cast<int>(std::strtol(text, &end, 10));
    if (end == text)
        return false;
    last = first;
    if (*end == '-') {
        const char* rest = end + 1;
        last = static_cast<int>(std::strtol(rest, &end, 10));
        if (end == rest)
            return false;
    }
    return *end == '\0' && first >= 0 && last <= 98 && first <= last;
}

void baseline(const velomira::Image& picture, const velomira::Image& previous) {
    const double start = cpuSeconds();
    std::size_t bytes = 0;
    for (int i = 0; i < kBaselineRuns; ++i) {
        velomira::Image frame = cloneImage(previous);
        velomira::Image strip = cloneImage(picture);
        MagickCropImage(strip.get(), kWidth / 2, kHeight, 0, 0);
        MagickCompositeImage(frame.get(), strip.get(), OverCompositeOp, 0, 0);
        bytes += encodeFrame(frame).length;
    }
    const double seconds = cpuSeconds() - start;
    std::printf("baseline: clone + crop + composite + JPEG encode: %.1f ms per frame "
                "(%.1f fps, %zu bytes per frame)\n",
                1000.0 * seconds / kBaselineRuns, kBaselineRuns / seconds, bytes / kBaselineRuns);
}

} // namespace

int main(int argc, char** argv) {
    initImageLibrary();
    int threads = 1;
    bool fastOnly = false;
    std::vector<bool> wanted(99, false);
    bool anyWanted = false;
    for (int a = 1; a < argc; ++a) {
        int first = 0;
        int last = 0;
        if (std::strcmp(argv[a], "--threads") == 0 && a + 1 < argc) {
            threads = std::max(1, std::atoi(argv[++a]));
        } else if (std::strcmp(argv[a], "--fast-only") == 0) {
            fastOnly = true;
        } else if (parseRange(argv[a], first, last)) {
            for (int i = first; i <= last; ++i)
                wanted[static_cast<std::size_t>(i)] = true;
            anyWanted = true;
        } else {
            std::fprintf(stderr, "usage: %s [--threads N] [--fast-only] [index or range ...]\n",
                         argv[0]);
            return 2;
        }
    }
    MagickSetResourceLimit(ThreadResource, static_cast<MagickSizeType>(threads));

    const velomira::Image previous = testPicture("gradient:#1d4f9a-#e8f0ff");
    const velomira::Image picture = testPicture("gradient:#f08a24-#5a1e02");
    if (!previous || !picture) {
        std::fprintf(stderr, "bench_transitions: the test pictures could not be made\n");
        return 1;
    }
    std::printf("transitions at %d x %d, %d thread(s), no still frames, processor time\n", kWidth,
                kHeight, threads);
    baseline(picture, previous);
    std::printf("%5s  %-36s %7s %18s %18s\n", "index", "name", "frames", "library ms   fps",
                "8-bit ms   fps");

    // Both paths of every effect; a path's totals over all effects.
    struct Total {
        int frames = 0;
        double seconds = 0.0;
        double worst = 0.0; // the slowest effect's time per frame
    };
    Total library;
    Total fast;
    int effects = 0;
    int failures = 0;
    for (int index = 0; index <= 98; ++index) {
        const TransitionDispatchEntry* entry = transitionEntry(index);
        const TransitionEffect effect = transitionEffect(index);
        if (!entry || !effect || (anyWanted && !wanted[static_cast<std::size_t>(index)]))
            continue;
        const EffectParameter parameter = transitionParameter(*entry, kWidth, kHeight);
        int counted = 0;
        EffectInputs counting;
        counting.width = kWidth;
        counting.height = kHeight;
        counting.frameCountOut = &counted;
        effect(counting, parameter);

        // Seconds per frame of one path, or a negative value when it failed or miscounted.
        auto run = [&](bool libraryFrames, Total& total) {
            CountingSink sink;
            EffectInputs in;
            in.width = kWidth;
            in.height = kHeight;
            in.pictureCanvas = &picture;
            in.previousFrame = cloneImage(previous);
            in.sink = &sink;
            in.libraryFrames = libraryFrames;
            in.codingThreads = threads;
            const double start = cpuSeconds();
            const velomira::Image result = effect(in, parameter);
            const double seconds = cpuSeconds() - start;
            if (!result || sink.frames != counted || sink.frames == 0)
                return -1.0;
            total.frames += sink.frames;
            total.seconds += seconds;
            total.worst = std::max(total.worst, seconds / sink.frames);
            return seconds / sink.frames;
        };
        const double libraryFrame = fastOnly ? 0.0 : run(true, library);
        const double fastFrame = run(false, fast);
        const std::string name(transitionNameOrNone(index));
        // Chinese names take two columns each but three bytes: pad by display width.
        int columns = 0;
        for (unsigned char c : name)
            columns += (c & 0xC0) == 0x80 ? 0 : (c >= 0x80 ? 2 : 1);
        auto column = [](double perFrame) {
            char text[32];
            if (perFrame > 0.0)
                std::snprintf(text, sizeof text, "%8.1f %8.1f", 1000.0 * perFrame, 1.0 / perFrame);
            else
                std::snprintf(text, sizeof text, "%17s", "-");
            return std::string(text);
        };
        const bool failed = libraryFrame < 0.0 || fastFrame < 0.0;
        std::printf("%5d  %s%*s %7d %18s %18s%s\n", index, name.c_str(), std::max(0, 36 - columns),
                    "", counted, column(libraryFrame).c_str(), column(fastFrame).c_str(),
                    failed ? "  (failed or miscounted)" : "");
        failures += failed ? 1 : 0;
        ++effects;
    }
    if (effects == 0) {
        std::printf("no transition effect is built\n");
        return 0;
    }
    auto overall = [](const char* path, const Total& total) {
        if (total.frames == 0)
            return;
        std::printf("overall %s: %d frames in %.1f s: %.1f fps, %.2f ms per frame, slowest "
                    "effect %.1f ms per frame\n",
                    path, total.frames, total.seconds, total.frames / total.seconds,
                    1000.0 * total.seconds / total.frames, 1000.0 * total.worst);
    };
    std::printf("%d effects\n", effects);
    overall("library", library);
    overall("8-bit", fast);
    return failures == 0 ? 0 : 1;
}
