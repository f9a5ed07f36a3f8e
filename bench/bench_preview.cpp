// The preview of a project played in real time with a display that decodes every frame (as the
// window does, with libjpeg-turbo) and records when it would show it. Prints the pacing (how
// far the shown frames sit from the 40 ms grid, and the frame rate), the refill waits, the
// queue's peak and the peak memory above the idle process.
//   bench_preview PROJECT.dat [--seconds N]   (N: close the preview after N seconds, as a user)
#include "album/project_file.h"
#include "platform/paths.h"
#include "render/caption_fonts.h"
#include "render/frame_sequencer.h"
#include "render/image/magick_handles.h"
#include "services/preview_engine.h"
#include "services/project_open.h"
#include "video/generation_plan.h"
#include "video/generation_preflight.h"

#include <jpeglib.h>

#include <clocale>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace velomira;

namespace {

long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    return 0;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// Decodes to RGB as the window's image reader does; false for bytes that do not decode.
bool decodeJpeg(const unsigned char* bytes, std::size_t length, std::vector<unsigned char>& rgb) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = [](j_common_ptr common) {
        std::longjmp(reinterpret_cast<JpegError*>(common->err)->jump, 1);
    };
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(length));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const std::size_t stride = std::size_t{info.output_width} * 3;
    rgb.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        unsigned char* row = rgb.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

class TimingScreen final : public PreviewScreen {
  public:
    explicit TimingScreen(PreviewClock& clock) : clock_(clock) {}
    void showFrame(const unsigned char* bytes, std::size_t length) override {
        decodeJpeg(bytes, length, rgb_);
        std::lock_guard lock(mutex_);
        shown_.push_back(clock_.nowMs());
    }
    void showStockPicture(StockPicture picture) override {
        std::lock_guard lock(mutex_);
        // A refill wait or the end breaks the grid: the frames after it start a new one.
        if (picture != StockPicture::Blank)
            shown_.push_back(-1);
        if (picture == StockPicture::End)
            endMs_ = clock_.nowMs();
    }
    double endMs() {
        std::lock_guard lock(mutex_);
        return endMs_;
    }
    std::vector<double> shown() {
        std::lock_guard lock(mutex_);
        return shown_;
    }

  private:
    PreviewClock& clock_;
    std::mutex mutex_;
    std::vector<double> shown_;
    double endMs_ = -1;
    std::vector<unsigned char> rgb_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: bench_preview PROJECT.dat [--seconds N]\n";
        return 2;
    }
    const double limitSeconds =
        argc >= 4 && std::string(argv[2]) == "--seconds" ? std::atof(argv[3]) : 1e9;
    std::setlocale(LC_ALL, "C.UTF-8");
    std::setlocale(LC_NUMERIC, "C");
    initImageLibrary();
    const CaptionFontTable fonts = buildCaptionFontTable(defaultFontFolders(homeFolder()));
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / "velomira-bench-preview";
    std::filesystem::create_directories(work);
    AlbumProject project;
    resetProjectOptions(project, fonts.empty() ? "" : fonts.front().displayName);
    TransitionRandom random(1);
    ProjectFileState file;
    const ProjectOpenResult opened = openProject(
        project, file, argv[1], random,
        openingForRun(fonts, [](const std::string& line) { std::cerr << line << "\n"; }));
    for (const Failure& failure : opened.failures)
        std::cerr << "[" << failure.title << "] " << failure.text << "\n";
    if (!opened.opened) {
        std::cerr << "bench_preview: cannot open " << argv[1] << "\n";
        return 1;
    }
    std::unique_ptr<PreviewLogo> logo;
    const PreflightResult preflight =
        checkBeforeGeneration(project, OutputMode::Preview, work, &logo);
    if (preflight.failure)
        std::cerr << "[" << preflight.failure->title << "] " << preflight.failure->text << "\n";
    if (!preflight.accepted)
        return 1;
    const int totalPictures = planRun(project).totalPictures;
    const long long totalSlots = countRunFrames(project, totalPictures);

    // The idle process as it stands now; the peak is measured from here.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long idleKb = statusKb("VmRSS:");

    SteadyPreviewClock clock;
    TimingScreen screen(clock);
    PreviewEngineServices services;
    services.screen = &screen;
    services.clock = &clock;
    services.processors = std::max(1u, std::thread::hardware_concurrency());
    PreviewEngine engine(services);
    PreviewRun run;
    run.videoWidth = project.settings.videoWidth;
    CaptionMargins margins;
    run.render = [&](FrameSink& sink, const std::atomic<bool>& stop) {
        SequencerContext context;
        context.project = &project;
        context.sink = &sink;
        context.logo = logo.get();
        context.fonts = &fonts;
        context.margins = margins;
        context.readFailed = [](const Failure& failure) {
            std::fprintf(stderr, "[%s] %s\n", failure.title.c_str(), failure.text.c_str());
        };
        renderAlbum(context, totalPictures, stop);
    };
    const double started = clock.nowMs();
    engine.start(run);
    while (engine.state() == PreviewState::Running && clock.nowMs() - started < limitSeconds * 1000)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool closed = engine.state() == PreviewState::Running;
    engine.close();
    engine.wait();
    const long peakKb = statusKb("VmHWM:");

    // Distance of every shown frame from the 40 ms grid that starts at the first frame after a
    // wait, and the frame rate over the whole play (held frames included).
    const std::vector<double> shown = screen.shown();
    double gridStart = -1, sumOffset = 0, sumAbsOffset = 0, first = -1;
    int counted = 0;
    for (double t : shown) {
        if (t < 0) {
            gridStart = -1;
            continue;
        }
        if (first < 0)
            first = t;
        if (gridStart < 0) {
            gridStart = t;
            continue;
        }
        const double phase = std::fmod(t - gridStart, 40.0);
        const double offset = phase >= 20 ? phase - 40 : phase;
        sumOffset += offset;
        sumAbsOffset += std::abs(offset);
        ++counted;
    }
    const int frames = static_cast<int>(
        std::count_if(shown.begin(), shown.end(), [](double t) { return t >= 0; }));
    std::printf("album: %d pictures, %lld frame times (%.1f s)%s\n", totalPictures, totalSlots,
                totalSlots / 25.0, closed ? ", closed early as asked" : "");
    std::printf("start wait: %.0f ms to the first frame\n", first - started);
    std::printf("frames shown: %d; mean offset from the 40 ms grid %+.3f ms, mean |offset| %.3f "
                "ms\n",
                frames, counted ? sumOffset / counted : 0.0,
                counted ? sumAbsOffset / counted : 0.0);
    // The end comes when the last frame time is over: all frame times from the first frame on.
    if (screen.endMs() > first && first >= 0 && engine.refillWaits() == 0)
        std::printf("frame rate over the play: %.3f frames/s (held frames included)\n",
                    totalSlots / ((screen.endMs() - first) / 1000.0));
    std::printf("refill waits: %d\n", engine.refillWaits());
    std::printf("queue peak: %zu frames, %.1f MB\n", engine.queue().peakFrames(),
                engine.queue().peakBytes() / 1048576.0);
    std::printf("peak memory above the idle process: %.1f MB (idle %.1f MB)\n",
                (peakKb - idleKb) / 1024.0, idleKb / 1024.0);
    return 0;
}
