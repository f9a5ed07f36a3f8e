// Speed of every built transition at 1280 x 720: each effect renders from one picture to
// another into a sink that only counts (the frames are still encoded, as in a real run), with
// no still frames. Prints frames per second per effect and overall, and, for scale, one plain
// clone + crop + composite + JPEG encode of a frame.
//
// Usage: bench_transitions [--threads N] [index or range ...]   (default: 1 thread, 0-98)
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
    std::vector<bool> wanted(99, false);
    bool anyWanted = false;
    for (int a = 1; a < argc; ++a) {
        int first = 0;
        int last = 0;
        if (std::strcmp(argv[a], "--threads") == 0 && a + 1 < argc) {
            threads = std::max(1, std::atoi(argv[++a]));
        } else if (parseRange(argv[a], first, last)) {
            for (int i = first; i <= last; ++i)
                wanted[static_cast<std::size_t>(i)] = true;
            anyWanted = true;
        } else {
            std::fprintf(stderr, "usage: %s [--threads N] [index or range ...]\n", argv[0]);
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
    std::printf("%5s  %-36s %7s %8s\n", "index", "name", "frames", "fps");

    int totalFrames = 0;
    double totalSeconds = 0.0;
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

        CountingSink sink;
        EffectInputs in;
        in.width = kWidth;
        in.height = kHeight;
        in.pictureCanvas = &picture;
        in.previousFrame = cloneImage(previous);
        in.sink = &sink;
        const double start = cpuSeconds();
        const velomira::Image result = effect(in, parameter);
        const double seconds = cpuSeconds() - start;
        const std::string name(transitionNameOrNone(index));
        // Chinese names take two columns each but three bytes: pad by display width.
        int columns = 0;
        for (unsigned char c : name)
            columns += (c & 0xC0) == 0x80 ? 0 : (c >= 0x80 ? 2 : 1);
        std::printf("%5d  %s%*s %7d %8.1f%s\n", index, name.c_str(), std::max(0, 36 - columns), "",
                    sink.frames, sink.frames / seconds,
                    !result || sink.frames != counted ? "  (failed or miscounted)" : "");
        failures += !result || sink.frames != counted ? 1 : 0;
        totalFrames += sink.frames;
        totalSeconds += seconds;
        ++effects;
    }
    if (effects == 0) {
        std::printf("no transition effect is built\n");
        return 0;
    }
    std::printf("overall: %d effects, %d frames in %.1f s: %.1f fps\n", effects, totalFrames,
                totalSeconds, totalFrames / totalSeconds);
    return failures == 0 ? 0 : 1;
}
