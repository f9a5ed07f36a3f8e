// How pictures fill the frame in each mode, and where captions go in a vertical frame, seen
// through the album walk at a small phone size.
#include "album/safe_area.h"
#include "effect_harness.h"
#include "render/frame_sequencer.h"
#include "render/image/frame_encoding.h"
#include "render/picture_fill.h"
#include "render_fixture.h"
#include "support/picture_files.h"
#include "support/recording_sink.h"

#include <array>
#include <cmath>
#include <vector>

namespace velomira::testing {
namespace {

TEST(CoverWindow, KeepsTheFramesAspectAroundTheCentreWithinThePicture) {
    const struct {
        const char* name;
        int pictureWidth, pictureHeight, frameWidth, frameHeight;
        double centreX, centreY;
        PictureWindow expected;
    } cases[] = {
        {"landscape into portrait", 1600, 900, 1080, 1920, 800, 450, {547, 0, 506, 900}},
        {"portrait into landscape", 900, 1600, 1920, 1080, 450, 800, {0, 547, 900, 506}},
        {"same aspect", 1920, 1080, 1280, 720, 960, 540, {0, 0, 1920, 1080}},
        {"centre near the left edge", 1600, 900, 1080, 1920, 10, 450, {0, 0, 506, 900}},
        {"centre past the right edge", 1600, 900, 1080, 1920, 5000, 450, {1094, 0, 506, 900}},
        {"centre near the bottom", 900, 1600, 1920, 1080, 450, 1590, {0, 1094, 900, 506}},
        {"thin column", 1, 1000, 180, 320, 0.5, 500, {0, 499, 1, 2}},
        {"thin row", 1000, 1, 180, 320, 500, 0.5, {500, 0, 1, 1}},
        {"single pixel", 1, 1, 1080, 1920, 0.5, 0.5, {0, 0, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(coverWindow(c.pictureWidth, c.pictureHeight, c.frameWidth, c.frameHeight,
                              c.centreX, c.centreY),
                  c.expected);
    }
}

// Mean and standard deviation of the channel samples in a rectangle of the image.
struct Spread {
    double mean = 0.0;
    double deviation = 0.0;
};

Spread spreadOf(MagickWand* image, int x0, int y0, int x1, int y1) {
    std::vector<double> samples;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const Rgb p = pixelAt(image, x, y);
            samples.insert(samples.end(), {double(p.red), double(p.green), double(p.blue)});
        }
    }
    Spread s;
    for (double v : samples)
        s.mean += v / samples.size();
    for (double v : samples)
        s.deviation += (v - s.mean) * (v - s.mean) / samples.size();
    s.deviation = std::sqrt(s.deviation);
    return s;
}

class PictureFill : public RenderTest {
  protected:
    static constexpr int kWidth = 90;
    static constexpr int kHeight = 160;

    void SetUp() override {
        RenderTest::SetUp();
        project.settings.videoWidth = kWidth;
        project.settings.videoHeight = kHeight;
        project.settings.stillFrames = 2;
        velomira::Image picture = texturedPicture(160, 90, 2); // landscape, no white in it
        landscape = folder.file("landscape.png");
        ASSERT_TRUE(writePictureFile(picture, landscape));
    }

    void addPicture(int transition = NO_TRANSITION, CameraMotion motion = CameraMotion::None) {
        AlbumItem item;
        item.path = landscape;
        setItemTransition(item, transition);
        item.motion = motion;
        project.items.push_back(item);
    }

    // The last frame of a run over the album.
    velomira::Image lastFrame() {
        RecordingSink sink;
        SequencerContext context;
        context.project = &project;
        context.sink = &sink;
        context.format = FrameFormat::Rgb24; // exact pixels: no coding blocks around a caption
        std::atomic<bool> stop{false};
        if (renderAlbum(context, albumItemCount(project), stop) != RunOutcome::Completed ||
            sink.count() == 0)
            return velomira::Image();
        const std::string& bytes = sink.deliveries().back().bytes;
        const auto w = project.settings.videoWidth, h = project.settings.videoHeight;
        if (bytes.size() != rawFrameBytes(FrameFormat::Rgb24, w, h))
            return velomira::Image();
        return imageFromRgb24(reinterpret_cast<const unsigned char*>(bytes.data()), w, h);
    }

    AlbumProject project;
    std::string landscape;
};

TEST_F(PictureFill, EachModeLaysTheLandscapePictureAsItSays) {
    addPicture();
    velomira::Image frames[kFillModeCount];
    for (int m = 0; m < kFillModeCount; ++m) {
        chooseFillMode(project.settings, static_cast<FillMode>(m));
        frames[m] = lastFrame();
        ASSERT_TRUE(frames[m]) << fillModeName(static_cast<FillMode>(m));
        ASSERT_EQ(widthOf(frames[m]), kWidth);
        ASSERT_EQ(heightOf(frames[m]), kHeight);
    }
    // The fitted picture is 90 x 51 at y = 54; above and below it lie the bands.
    MagickWand* fit = frames[0].get();
    MagickWand* crop = frames[1].get();
    MagickWand* blur = frames[2].get();
    const Spread fitBand = spreadOf(fit, 0, 0, kWidth, 50);
    EXPECT_GT(fitBand.mean, 250.0) << "white bars";
    EXPECT_LT(fitBand.deviation, 3.0);
    for (const auto& [y0, y1] : {std::pair{0, 50}, std::pair{110, 160}}) {
        const Spread band = spreadOf(blur, 0, y0, kWidth, y1);
        EXPECT_GT(band.deviation, 6.0 * std::max(fitBand.deviation, 1.0)) << "blurred, not flat";
        EXPECT_LT(band.mean, 0.8 * 255.0) << "darkened";
    }
    for (int y = 58; y < 102; y += 6) {
        for (int x = 4; x < kWidth - 4; x += 9)
            EXPECT_TRUE(near(pixelAt(fit, x, y), pixelAt(blur, x, y), 6)) << x << "," << y;
    }
    for (int y = 0; y < kHeight; ++y) {
        const Spread row = spreadOf(crop, 0, y, kWidth, y + 1);
        ASSERT_LT(row.mean, 240.0) << "no background band at row " << y;
    }
}

TEST_F(PictureFill, FrameCountsNeverDependOnTheMode) {
    const int transitions[] = {NO_TRANSITION, 21, 57, 96};
    const CameraMotion motions[] = {CameraMotion::None, CameraMotion::ZoomIn,
                                    CameraMotion::PanLeft};
    project.settings.videoWidth = 36;
    project.settings.videoHeight = 64;
    for (int transition : transitions) {
        for (CameraMotion motion : motions) {
            project.items.clear();
            addPicture(NO_TRANSITION, motion);
            addPicture(transition, motion);
            chooseFillMode(project.settings, FillMode::Fit);
            const int counted = countAlbumFrames(project);
            for (int m = 0; m < kFillModeCount; ++m) {
                SCOPED_TRACE(std::string(fillModeName(static_cast<FillMode>(m))) + " into " +
                             std::to_string(transition) + " moving " + cameraMotionName(motion));
                chooseFillMode(project.settings, static_cast<FillMode>(m));
                EXPECT_EQ(countAlbumFrames(project), counted);
                RecordingSink sink;
                SequencerContext context;
                context.project = &project;
                context.sink = &sink;
                std::atomic<bool> stop{false};
                ASSERT_EQ(renderAlbum(context, 2, stop), RunOutcome::Completed);
                EXPECT_EQ(sink.count(), counted);
            }
        }
    }
}

TEST_F(PictureFill, APictureOverrideBeatsTheAlbumsMode) {
    addPicture();
    chooseFillMode(project.settings, FillMode::Fit);
    project.items[0].fillMode = FillMode::Crop;
    velomira::Image frame = lastFrame();
    ASSERT_TRUE(frame);
    EXPECT_LT(spreadOf(frame.get(), 0, 0, kWidth, 20).mean, 240.0);
}

// The bounding box of the pixels where two frames differ: x0, y0, x1, y1 (exclusive).
std::array<int, 4> differingBox(MagickWand* a, MagickWand* b) {
    std::array<int, 4> box{1 << 20, 1 << 20, -1, -1};
    const int w = static_cast<int>(MagickGetImageWidth(a));
    const int h = static_cast<int>(MagickGetImageHeight(a));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (near(pixelAt(a, x, y), pixelAt(b, x, y), 8))
                continue;
            box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1),
                   std::max(box[3], y + 1)};
        }
    }
    return box;
}

TEST_F(PictureFill, CaptionsInAVerticalFrameStayInsideTheSafeRectangle) {
    addPicture();
    chooseFillMode(project.settings, FillMode::Crop);
    const velomira::Image plain = lastFrame();
    ASSERT_TRUE(plain);
    const CaptionColour black = *captionColourAt(0); // white text on a black box
    project.items[0].caption.enabled = 1;
    project.items[0].caption.text = "Hi";
    project.items[0].caption.boxColor = black.boxColor;
    project.items[0].caption.textColor = black.textColor;
    project.settings.textWatermarkFontSize = 0; // the smallest size keeps it inside the area
    const OverlayArea area = overlayArea(kWidth, kHeight, true);
    ASSERT_EQ(area, (OverlayArea{79, 128}));
    for (bool safe : {true, false}) {
        project.settings.safeAreas = safe;
        bool reachesOut = false;
        for (int location = 0; location < kCaptionLocationCount; ++location) {
            SCOPED_TRACE(std::to_string(location) + (safe ? " safe" : " whole frame"));
            project.items[0].caption.location = location;
            const velomira::Image captioned = lastFrame();
            ASSERT_TRUE(captioned);
            const auto box = differingBox(plain.get(), captioned.get());
            ASSERT_LT(box[0], box[2]) << "the caption shows";
            const bool inside = box[2] <= area.width && box[3] <= area.height;
            if (safe) {
                EXPECT_TRUE(inside) << box[0] << "," << box[1] << " to " << box[2] << ","
                                    << box[3];
            }
            reachesOut = reachesOut || !inside;
        }
        EXPECT_EQ(reachesOut, !safe) << "without safe areas the corners are the frame's";
    }
}

} // namespace
} // namespace velomira::testing
