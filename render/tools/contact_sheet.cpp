// Contact sheet of the transitions: for each chosen transition, the frames at one quarter, one
// half and three quarters of the way from one synthetic picture to another, labelled with the
// index and name, in one PNG, so a person can check them all at a glance.
//
// Usage: velomira_contact_sheet OUTPUT.png [WIDTHxHEIGHT] [index or range ...]
//   frame size 2x2 to 480x480, default 320x180; default indexes: every built transition of
//   0-98. A transition not built yet is left out.
#include "album/transition_catalogue.h"
#include "render/effect_run.h"
#include "render/image/image_layer.h"
#include "render/transition_dispatch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace velomira;

namespace {

constexpr int kLastIndex = 98;
constexpr int kGap = 6;
constexpr int kSheetTargetWidth = 2000;
// The library refuses images above 16000 pixels a side or 128 megapixels (system policy):
// frames up to this size keep a sheet of all transitions within that.
constexpr int kLargestFrame = 480;
// Room for the longest label.
constexpr int kNarrowestCell = 260;
constexpr int kLargestSide = 16000;
constexpr std::size_t kSamples = 3;

// Keeps the bytes of the deliveries whose positions are wanted and ignores the rest.
class SampleSink final : public FrameSink {
  public:
    explicit SampleSink(std::vector<std::size_t> positions)
        : positions_(std::move(positions)), frames_(positions_.size()) {}

    bool writeFrame(const unsigned char* bytes, std::size_t length) override {
        for (std::size_t i = 0; i < positions_.size(); ++i) {
            if (positions_[i] == delivered_)
                frames_[i].assign(reinterpret_cast<const char*>(bytes), length);
        }
        ++delivered_;
        return true;
    }
    bool repeatFrame(const unsigned char* bytes, std::size_t length) override {
        return writeFrame(bytes, length);
    }

    const std::vector<std::string>& frames() const { return frames_; }

  private:
    std::vector<std::size_t> positions_;
    std::vector<std::string> frames_;
    std::size_t delivered_ = 0;
};

struct Options {
    std::string output;
    int width = 320;
    int height = 180;
    std::vector<int> indexes;
};

bool parseInt(const std::string& text, int& value) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::atoi(text.c_str());
    return true;
}

bool parseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    return x != std::string::npos && parseInt(text.substr(0, x), width) &&
           parseInt(text.substr(x + 1), height);
}

bool parseRange(const std::string& text, int& first, int& last) {
    const std::size_t dash = text.find('-');
    if (dash != std::string::npos)
        return parseInt(text.substr(0, dash), first) && parseInt(text.substr(dash + 1), last);
    last = first = 0;
    if (!parseInt(text, first))
        return false;
    last = first;
    return true;
}

// Reads the command line; prints why and returns false when it is not usable.
bool parseOptions(int argc, char** argv, Options& options) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [WIDTHxHEIGHT] [index or range ...]\n", argv[0]);
        return false;
    }
    options.output = argv[1];
    std::vector<bool> chosen(kLastIndex + 1, false);
    bool any = false;
    for (int a = 2; a < argc; ++a) {
        const std::string arg = argv[a];
        int first = 0;
        int last = 0;
        if (a == 2 && arg.find('x') != std::string::npos) {
            if (!parseSize(arg, options.width, options.height) || options.width < 2 ||
                options.height < 2 || options.width > kLargestFrame ||
                options.height > kLargestFrame) {
                std::fprintf(stderr, "frame size \"%s\": give 2x2 to %dx%d\n", arg.c_str(),
                             kLargestFrame, kLargestFrame);
                return false;
            }
        } else if (parseRange(arg, first, last) && first <= last && last <= kLastIndex) {
            for (int i = first; i <= last; ++i)
                chosen[static_cast<std::size_t>(i)] = true;
            any = true;
        } else {
            std::fprintf(stderr, "\"%s\" is no index or range within 0-%d\n", arg.c_str(),
                         kLastIndex);
            return false;
        }
    }
    for (int i = 0; i <= kLastIndex; ++i) {
        if ((!any || chosen[static_cast<std::size_t>(i)]) && transitionEffect(i))
            options.indexes.push_back(i);
    }
    return true;
}

// The picture the transitions start from: a blue gradient with a white "A".
velomira::Image firstPicture(int w, int h) {
    velomira::Image picture = newImage();
    MagickSetSize(picture.get(), static_cast<std::size_t>(w), static_cast<std::size_t>(h));
    MagickReadImage(picture.get(), "gradient:#5aa0ff-#0b2a6f");
    Drawing drawing = newDrawing();
    Pixel white = newPixel("#ffffff");
    DrawSetStrokeColor(drawing.get(), white.get());
    DrawSetStrokeWidth(drawing.get(), std::max(1.0, h / 10.0));
    DrawSetStrokeLineCap(drawing.get(), RoundCap);
    const double top = h * 0.15;
    const double bottom = h * 0.85;
    const double half = (bottom - top) * 0.4;
    const double centre = w * 0.42; // off centre, so a mirrored picture shows
    DrawLine(drawing.get(), centre - half, bottom, centre, top);
    DrawLine(drawing.get(), centre, top, centre + half, bottom);
    DrawLine(drawing.get(), centre - half * 0.5, (top + bottom) / 2 + h * 0.05, centre + half * 0.5,
             (top + bottom) / 2 + h * 0.05);
    MagickDrawImage(picture.get(), drawing.get());
    return picture;
}

// The picture the transitions lead to: an orange gradient with a dark circle near its
// top-right corner.
velomira::Image secondPicture(int w, int h) {
    velomira::Image picture = newImage();
    MagickSetSize(picture.get(), static_cast<std::size_t>(w), static_cast<std::size_t>(h));
    MagickReadImage(picture.get(), "gradient:#ffc266-#c04000");
    Drawing drawing = newDrawing();
    Pixel fill = newPixel("#3b0a57");
    Pixel ring = newPixel("#ffffff");
    DrawSetFillColor(drawing.get(), fill.get());
    DrawSetStrokeColor(drawing.get(), ring.get());
    DrawSetStrokeWidth(drawing.get(), std::max(1.0, h / 40.0));
    const double radius = std::min(w, h) * 0.3;
    DrawCircle(drawing.get(), w * 0.62, h * 0.42, w * 0.62 + radius, h * 0.42);
    MagickDrawImage(picture.get(), drawing.get());
    return picture;
}

// The first CJK font installed, or empty.
std::string captionFont() {
    for (const char* path : {"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
                             "/usr/share/fonts/truetype/arphic/uming.ttc",
                             "/usr/share/fonts/truetype/arphic/ukai.ttc"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error))
            return path;
    }
    return std::string();
}

// The transition's frames at 1/4, 1/2 and 3/4, decoded; empty when it has no frames at this
// size or failed.
std::vector<velomira::Image> sampleTransition(int index, const Options& options,
                                              const velomira::Image& from,
                                              const velomira::Image& to) {
    const TransitionDispatchEntry* entry = transitionEntry(index);
    const TransitionEffect effect = transitionEffect(index);
    std::vector<velomira::Image> samples;
    if (!entry || !effect)
        return samples;
    const EffectParameter parameter = transitionParameter(*entry, options.width, options.height);
    int frames = 0;
    EffectInputs counting;
    counting.width = options.width;
    counting.height = options.height;
    counting.frameCountOut = &frames;
    effect(counting, parameter);
    if (frames <= 0)
        return samples;

    std::vector<std::size_t> positions;
    for (std::size_t q = 1; q <= kSamples; ++q)
        positions.push_back(static_cast<std::size_t>(frames) * q / (kSamples + 1));
    SampleSink sink(positions);
    EffectInputs in;
    in.width = options.width;
    in.height = options.height;
    in.pictureCanvas = &to;
    in.previousFrame = cloneImage(from);
    in.sink = &sink;
    if (!effect(in, parameter))
        return samples;
    for (const std::string& bytes : sink.frames()) {
        velomira::Image frame = newImage();
        if (bytes.empty() ||
            MagickReadImageBlob(frame.get(), bytes.data(), bytes.size()) == MagickFalse)
            return {};
        samples.push_back(std::move(frame));
    }
    return samples;
}

void drawLabel(velomira::Image& sheet, const std::string& font, double x, double y, double size,
               const std::string& text) {
    Drawing drawing = newDrawing();
    Pixel white = newPixel("#ffffff");
    if (!font.empty())
        DrawSetFont(drawing.get(), font.c_str());
    DrawSetFontSize(drawing.get(), size);
    DrawSetFillColor(drawing.get(), white.get());
    DrawSetTextEncoding(drawing.get(), "UTF-8");
    MagickAnnotateImage(sheet.get(), drawing.get(), x, y, 0.0, text.c_str());
}

bool writePng(velomira::Image& sheet, const std::string& path) {
    MagickSetImageFormat(sheet.get(), "PNG");
    std::size_t length = 0;
    unsigned char* bytes = MagickGetImageBlob(sheet.get(), &length);
    const Blob png = adoptBlob(bytes, length);
    if (!png)
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.bytes()), static_cast<std::streamsize>(png.length));
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv) {
    initImageLibrary();
    Options options;
    if (!parseOptions(argc, argv, options))
        return 2;
    if (options.indexes.empty()) {
        std::fprintf(stderr, "none of the chosen transitions is built\n");
        return 1;
    }
    const velomira::Image from = firstPicture(options.width, options.height);
    const velomira::Image to = secondPicture(options.width, options.height);
    if (!from || !to) {
        std::fprintf(stderr, "the test pictures could not be drawn\n");
        return 1;
    }

    const std::string font = captionFont();
    const int labelHeight = std::max(18, options.height / 8);
    const int samples = static_cast<int>(kSamples);
    const int cellWidth = std::max(kNarrowestCell, samples * options.width + (samples + 1) * kGap);
    const int cellHeight = labelHeight + options.height + 2 * kGap;
    const int cells = static_cast<int>(options.indexes.size());
    int columns = std::max(1, kSheetTargetWidth / cellWidth);
    while (columns < cells && (cells + columns - 1) / columns * cellHeight > kLargestSide &&
           (columns + 1) * cellWidth <= kLargestSide)
        ++columns;
    const int rows = (cells + columns - 1) / columns;
    velomira::Image sheet = makeCanvas(columns * cellWidth, rows * cellHeight, "#202020");
    if (!sheet) {
        std::fprintf(stderr, "the sheet could not be made\n");
        return 1;
    }

    int missing = 0;
    for (int cell = 0; cell < cells; ++cell) {
        const int index = options.indexes[static_cast<std::size_t>(cell)];
        const int left = (cell % columns) * cellWidth;
        const int top = (cell / columns) * cellHeight;
        std::string label = std::to_string(index);
        if (!font.empty())
            label += "  " + std::string(transitionNameOrNone(index));
        const std::vector<velomira::Image> samples = sampleTransition(index, options, from, to);
        if (samples.empty()) {
            label += "  (no frames)";
            ++missing;
        }
        drawLabel(sheet, font, left + kGap, top + kGap + labelHeight * 0.8, labelHeight * 0.8,
                  label);
        for (std::size_t s = 0; s < samples.size(); ++s)
            MagickCompositeImage(sheet.get(), samples[s].get(), OverCompositeOp,
                                 left + kGap + static_cast<long>(s) * (options.width + kGap),
                                 top + kGap + labelHeight);
    }
    if (!writePng(sheet, options.output)) {
        std::fprintf(stderr, "could not write %s\n", options.output.c_str());
        return 1;
    }
    std::printf("%d transitions (%d without frames) at %dx%d in %s%s\n", cells, missing,
                options.width, options.height, options.output.c_str(),
                font.empty() ? " (no CJK font: indexes only)" : "");
    return 0;
}
