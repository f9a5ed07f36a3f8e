// Framing that follows the subject: photographs Debian ships pasted off-centre into noise, found
// by the detector, kept whole by a 9:16 crop (which a centre crop is shown to cut), a zoom that
// ends on the face, the same frames on every run, and the middle for whatever cannot be read.
#include "media/focal/focal_detection.h"
#include "render/camera_motion.h"
#include "render/focal_scan.h"
#include "render/frame_sequencer.h"
#include "render/image/frame_encoding.h"
#include "render/picture_fill.h"
#include "render_fixture.h"
#include "support/focal_pictures.h"
#include "support/recording_sink.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace velomira::testing {
namespace {

constexpr int kCanvasWidth = 1600;
constexpr int kCanvasHeight = 900;
// The phone frame: 9:16 at a size that keeps the run cheap.
constexpr int kFrameWidth = 180;
constexpr int kFrameHeight = 320;

struct Placed {
    const char* name;
    SubjectPhoto photo;
    int x, y; // where it is pasted; both far from the middle
    FocalSource expectedSource;
    std::string path; // written by the suite
    Box subject;
    FocalDetection found; // what the suite's first scan found
};

class FocalFraming : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        initImageLibrary();
        folder_ = std::make_unique<TempFolder>();
        for (Placed& p : placed_) {
            const auto photo = shippedPhoto(p.photo.fileName);
            if (!photo)
                return;
            p.path = folder_->file(std::string(p.name) + ".png");
            p.subject = writePastedPhoto(p.path, *photo, p.photo.subject, kCanvasWidth,
                                         kCanvasHeight, p.x, p.y, 1.0, 7);
        }
        const std::string cascades = findCascadeFolder();
        if (cascades.empty())
            return;
        detector_ = std::make_unique<FocalDetector>(cascades);
        // Scanned once here: the renders below take the region as a run's finder hands it on.
        for (Placed& p : placed_)
            p.found = scanFocalRegion(*detector_, p.path);
    }
    static void TearDownTestSuite() {
        detector_.reset();
        folder_.reset();
    }

    void SetUp() override {
        if (placed_[0].path.empty())
            GTEST_SKIP() << "python3-skimage's photographs are not installed";
        if (!detector_)
            GTEST_SKIP() << "opencv-data's face models are not installed";
    }

    // The last frame of a one-picture album (exact pixels) and all the bytes it delivered.
    static std::vector<unsigned char> render(const std::string& path, FocusMode focus,
                                             std::string* bytes = nullptr) {
        AlbumProject project;
        project.settings.videoWidth = kFrameWidth;
        project.settings.videoHeight = kFrameHeight;
        project.settings.stillFrames = 2;
        project.settings.focus = focus;
        chooseFillMode(project.settings, FillMode::Crop);
        AlbumItem item;
        item.path = path;
        project.items.push_back(item);
        RecordingSink sink;
        SequencerContext context;
        context.project = &project;
        context.sink = &sink;
        context.format = FrameFormat::Rgb24;
        context.findFocus = [](const AlbumItem& i) -> std::optional<FocalRegion> {
            for (const Placed& p : placed_)
                if (p.path == i.path)
                    return p.found.region;
            return std::nullopt;
        };
        std::atomic<bool> stop{false};
        if (renderAlbum(context, 1, stop) != RunOutcome::Completed || sink.count() == 0)
            return {};
        if (bytes)
            for (const Delivery& d : sink.deliveries())
                *bytes += d.bytes;
        const std::string& last = sink.deliveries().back().bytes;
        return {last.begin(), last.end()};
    }

    // Where the frame's window starts in the picture (picture pixels): the left edge whose part
    // of the picture, brought to the frame's height, matches the frame best.
    static int windowLeft(const std::string& path, const std::vector<unsigned char>& frame) {
        velomira::Image picture = readPicture(path, "#ffffff");
        const int scaledWidth = kCanvasWidth * kFrameHeight / kCanvasHeight;
        scalePictureTo(picture, scaledWidth, kFrameHeight);
        std::vector<unsigned char> pixels(static_cast<std::size_t>(scaledWidth) * kFrameHeight * 3);
        MagickExportImagePixels(picture.get(), 0, 0, scaledWidth, kFrameHeight, "RGB", CharPixel,
                                pixels.data());
        long best = std::numeric_limits<long>::max();
        int bestLeft = 0;
        for (int left = 0; left + kFrameWidth <= scaledWidth; ++left) {
            long difference = 0;
            for (int y = 2; y < kFrameHeight; y += 4)
                for (int x = 2; x < kFrameWidth; x += 4)
                    for (int c = 0; c < 3; ++c)
                        difference += std::abs(
                            frame[(static_cast<std::size_t>(y) * kFrameWidth + x) * 3 + c] -
                            pixels[(static_cast<std::size_t>(y) * scaledWidth + left + x) * 3 + c]);
            if (difference < best) {
                best = difference;
                bestLeft = left;
            }
        }
        return bestLeft * kCanvasHeight / kFrameHeight;
    }

    static bool holdsAcross(int left, int width, const Box& box) {
        return box.x >= left && box.x + box.width <= left + width;
    }

    static inline std::unique_ptr<TempFolder> folder_;
    static inline std::unique_ptr<FocalDetector> detector_;
    static inline Placed placed_[] = {
        {"astronaut", kAstronaut, 1010, 240, FocalSource::Faces, {}, {}, {}},
        {"cat", kCat, 90, 520, FocalSource::Salient, {}, {}, {}},
    };
};

TEST_F(FocalFraming, TheRegionFoundLiesOnTheSubject) {
    for (const Placed& p : placed_) {
        SCOPED_TRACE(p.name);
        const FocalDetection& found = p.found;
        EXPECT_EQ(found.source, p.expectedSource);
        EXPECT_TRUE(found.problem.empty()) << found.problem;
        const double centreX = (found.region.x + found.region.width / 2) * kCanvasWidth;
        const double centreY = (found.region.y + found.region.height / 2) * kCanvasHeight;
        EXPECT_GE(centreX, p.subject.x);
        EXPECT_LE(centreX, p.subject.x + p.subject.width);
        EXPECT_GE(centreY, p.subject.y);
        EXPECT_LE(centreY, p.subject.y + p.subject.height);
        EXPECT_EQ(scanFocalRegion(*detector_, p.path).region, found.region) << "every run alike";
    }
}

TEST_F(FocalFraming, APhoneCropKeepsTheSubjectThatACentreCropCuts) {
    const int cropWidth = kCanvasHeight * kFrameWidth / kFrameHeight; // 506 of 1600
    for (const Placed& p : placed_) {
        SCOPED_TRACE(p.name);
        std::string first;
        const std::vector<unsigned char> followed = render(p.path, FocusMode::Auto, &first);
        const std::vector<unsigned char> centred = render(p.path, FocusMode::Center);
        ASSERT_EQ(followed.size(), static_cast<std::size_t>(kFrameWidth) * kFrameHeight * 3);
        ASSERT_EQ(centred.size(), followed.size());
        EXPECT_TRUE(holdsAcross(windowLeft(p.path, followed), cropWidth, p.subject));
        // The proof that the check can fail: the old centre crop cuts the subject.
        const int centreLeft = windowLeft(p.path, centred);
        EXPECT_NEAR(centreLeft, (kCanvasWidth - cropWidth) / 2, 6);
        EXPECT_FALSE(holdsAcross(centreLeft, cropWidth, p.subject));
        std::string second;
        render(p.path, FocusMode::Auto, &second);
        EXPECT_TRUE(first == second) << "two runs give the same frames";
    }
}

TEST_F(FocalFraming, AZoomInEndsOnTheFace) {
    const Placed& astronaut = placed_[0];
    const FocalRegion face = astronaut.found.region;
    velomira::Image picture = readPicture(astronaut.path, "#ffffff");
    for (const auto& [width, height] : {std::pair{320, 180}, std::pair{180, 320}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const MotionPicture motion =
            prepareMotionPicture(CameraMotion::ZoomIn, width, height, picture, "#ffffff", face);
        ASSERT_TRUE(motion.ready());
        // The fitted picture on the canvas, and the last view on it.
        const auto [fitWidth, fitHeight] = fittedSize(width, height, kCanvasWidth, kCanvasHeight);
        const double scale = static_cast<double>(fitWidth) / kCanvasWidth;
        const double left = (width - fitWidth) / 2;
        const double top = (height - fitHeight) / 2;
        const CameraView& end = motion.path.to;
        const double halfWidth = width / (2 * end.zoom);
        const double halfHeight = height / (2 * end.zoom);
        const Box& box = astronaut.subject;
        EXPECT_GE(left + box.x * scale, end.centreX - halfWidth);
        EXPECT_LE(left + (box.x + box.width) * scale, end.centreX + halfWidth);
        EXPECT_GE(top + box.y * scale, end.centreY - halfHeight);
        EXPECT_LE(top + (box.y + box.height) * scale, end.centreY + halfHeight);
        const double faceX = left + (box.x + box.width / 2.0) * scale;
        const double faceY = top + (box.y + box.height / 2.0) * scale;
        EXPECT_LT(std::hypot(end.centreX - faceX, end.centreY - faceY),
                  std::hypot(width / 2.0 - faceX, height / 2.0 - faceY));
        EXPECT_EQ(motion.path.from.zoom, 1.0) << "it still starts on the whole picture";
    }
}

TEST_F(FocalFraming, WhatCannotBeAnalysedFallsBackToTheMiddle) {
    const std::string garbage = folder_->writeFile("garbage.jpg", "not a picture at all");
    const std::string tiny = folder_->file("tiny.png");
    writePastedPhoto(tiny, placed_[1].path, {0, 0, 1, 1}, 40, 24, 0, 0, 0.01, 3);
    const FocalDetector withoutModels(folder_->path().string());
    const struct {
        const char* name;
        const FocalDetector& detector;
        std::string path;
        bool problem;
        std::optional<FocalSource> source; // nothing: any, as long as it lies in the picture
    } cases[] = {
        {"missing file", *detector_, folder_->file("missing.jpg"), true, FocalSource::Centre},
        {"not a picture", *detector_, garbage, true, FocalSource::Centre},
        {"smaller than the working size", *detector_, tiny, false, std::nullopt},
        {"no face models", withoutModels, placed_[0].path, false, FocalSource::Salient},
    };
    EXPECT_FALSE(withoutModels.problem().empty()) << "the missing models are explained";
    EXPECT_TRUE(detector_->problem().empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FocalDetection found = scanFocalRegion(c.detector, c.path);
        EXPECT_EQ(!found.problem.empty(), c.problem) << found.problem;
        if (c.source) {
            EXPECT_EQ(found.source, *c.source);
        }
        EXPECT_EQ(clampedFocalRegion(found.region), found.region) << "inside the picture";
        if (c.source == FocalSource::Centre) {
            EXPECT_EQ(found.region, FocalRegion{}) << "the whole picture, so its middle";
        }
    }
}

} // namespace
} // namespace velomira::testing
