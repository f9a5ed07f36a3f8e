// Camera motion during the hold: the view's path for each motion and picture shape, frame
// counts that never change, the hold's last frame handed on as the next previous frame, and the
// caption drawn over every moving frame.
#include "render/camera_motion.h"
#include "render/frame_sequencer.h"
#include "render/image/frame_encoding.h"
#include "render/motion_hold.h"
#include "render/transitions/no_transition.h"
#include "render_fixture.h"
#include "support/picture_files.h"
#include "support/recording_sink.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace velomira::testing {
namespace {

constexpr CameraMotion kMoves[] = {CameraMotion::ZoomIn,  CameraMotion::ZoomOut,
                                   CameraMotion::PanLeft, CameraMotion::PanRight,
                                   CameraMotion::PanUp,   CameraMotion::PanDown};

TEST(CameraPath, EachMotionTravelsWhereTheFitLeavesRoom) {
    struct Case {
        CameraMotion motion;
        int pictureWidth, pictureHeight; // fitted on 1280 x 720
        CameraView from, to;
    };
    const double z = 1.15;
    const Case cases[] = {
        {CameraMotion::None, 1280, 720, {640, 360, 1}, {640, 360, 1}},
        {CameraMotion::ZoomIn, 1280, 720, {640, 360, 1}, {640, 360, z}},
        {CameraMotion::ZoomOut, 960, 720, {640, 360, z}, {640, 360, 1}},
        // An exact fit cuts nothing: a 110 % view crosses the picture.
        {CameraMotion::PanRight, 1280, 720, {640 / 1.1, 360, 1.1}, {1280 - 640 / 1.1, 360, 1.1}},
        // A wide picture would be cut at the sides; the view stops at 115 %.
        {CameraMotion::PanLeft, 1280, 540, {1280 - 640 / z, 360, z}, {640 / z, 360, z}},
        // A 4:3 picture would be cut top and bottom.
        {CameraMotion::PanDown, 960, 720, {640, 360 / z, z}, {640, 720 - 360 / z, z}},
        // A sliver of a picture and a small one: the view crosses the padded canvas.
        {CameraMotion::PanUp, 1, 720, {640, 720 - 360 / z, z}, {640, 360 / z, z}},
        {CameraMotion::PanRight, 200, 100, {640 / z, 360, z}, {1280 - 640 / z, 360, z}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(cameraMotionName(c.motion) + std::string(" ") +
                     std::to_string(c.pictureWidth) + "x" + std::to_string(c.pictureHeight));
        const CameraPath path = cameraPath(c.motion, 1280, 720, c.pictureWidth, c.pictureHeight);
        EXPECT_NEAR(path.from.centreX, c.from.centreX, 1e-9);
        EXPECT_NEAR(path.from.centreY, c.from.centreY, 1e-9);
        EXPECT_NEAR(path.from.zoom, c.from.zoom, 1e-9);
        EXPECT_NEAR(path.to.centreX, c.to.centreX, 1e-9);
        EXPECT_NEAR(path.to.centreY, c.to.centreY, 1e-9);
        EXPECT_NEAR(path.to.zoom, c.to.zoom, 1e-9);
    }
}

TEST(RgbResampler, ShiftsByFractionsOfAPixelAndKeepsFlatAreasExact) {
    RgbxFrame source = makeRgbxFrame(8, 1);
    for (int x = 4; x < 8; ++x)
        std::fill(source.row(0) + 4 * x, source.row(0) + 4 * x + 3, 200);
    RgbFrame out = makeRgbFrame(8, 1);
    RgbResampler resampler;
    ASSERT_TRUE(resampler.resample(source, {0.25, 1.0}, {0, 1.0}, out));
    // Pixel 3 now lies a quarter of the way to the bright side; the flat parts stay as they were.
    EXPECT_EQ(out.row(0)[3 * 3], 50);
    EXPECT_EQ(out.row(0)[0], 0);
    EXPECT_EQ(out.row(0)[3 * 5], 200);
    // Beyond the source its edge pixels continue.
    ASSERT_TRUE(resampler.resample(source, {5.0, 1.0}, {-3.0, 1.0}, out));
    EXPECT_EQ(out.row(0)[3 * 7], 200);
}

class MotionRender : public RenderTest {
  protected:
    // A picture whose quarter lines (one across, one down) move under every motion.
    std::string quarterPicture(int width, int height) {
        GifFrame frame{0, 0, width, height, {"#000000", "#ffffff"}, {}, -1, 10};
        frame.indices.resize(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                frame.indices[static_cast<std::size_t>(y) * width + x] =
                    (x < width / 4) != (y < height / 4) ? 1 : 0;
        }
        return writeGifFrames(folder.file("q" + std::to_string(pictures++) + ".gif"), width, height,
                              {frame});
    }

    AlbumProject album(int width, int height, int stillFrames) {
        AlbumProject project;
        project.settings.videoWidth = width;
        project.settings.videoHeight = height;
        project.settings.stillFrames = stillFrames;
        return project;
    }

    SequencerContext contextFor(const AlbumProject& project, FrameSink& sink) {
        SequencerContext context;
        context.project = &project;
        context.sink = &sink;
        context.format = FrameFormat::Rgb24; // exact pixels to compare
        return context;
    }

    int pictures = 0;
    std::atomic<bool> stop{false};
};

TEST_F(MotionRender, FrameCountsAreThoseOfAStillAlbumForEveryMotionSizeAndTransition) {
    const std::pair<int, int> sizes[] = {{64, 48}, {48, 64}, {2, 2}};
    for (auto [width, height] : sizes) {
        for (int transition : {NO_TRANSITION, 31, 21}) {
            for (int still : {0, 1, 7}) {
                AlbumProject project = album(width, height, still);
                for (CameraMotion motion : kMoves) {
                    AlbumItem item;
                    item.path = quarterPicture(40 + 7 * pictures % 30, 30);
                    item.animationIndex = project.items.empty() ? NO_TRANSITION : transition;
                    item.motion = motion;
                    project.items.push_back(item);
                }
                SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " index " +
                             std::to_string(transition) + " still " + std::to_string(still));
                RecordingSink sink;
                EXPECT_EQ(renderAlbum(contextFor(project, sink), 6, stop), RunOutcome::Completed);
                EXPECT_EQ(sink.count(), countAlbumFrames(project));
                for (const Delivery& d : sink.deliveries())
                    ASSERT_EQ(d.bytes.size(), 3u * width * height);
            }
        }
    }
}

TEST_F(MotionRender, TheHoldMovesAndItsLastFrameIsTheNextPicturesStart) {
    for (CameraMotion motion : kMoves) {
        SCOPED_TRACE(cameraMotionName(motion));
        for (int transition : {NO_TRANSITION, 21}) {
            AlbumProject project = album(64, 48, 6);
            AlbumItem item;
            item.path = quarterPicture(128, 96);
            item.animationIndex = transition;
            item.motion = motion;
            RecordingSink sink;
            PictureResult result =
                renderPicture(contextFor(project, sink), item, makeCanvas(64, 48, "#00ff00"));
            ASSERT_EQ(result.status, PictureStatus::Rendered);
            const int still = project.settings.stillFrames;
            ASSERT_GE(sink.count(), still);
            // Every hold frame is a new view, none repeated (without a transition the first
            // frame of the hold is the first of all and has none before it).
            for (int i = std::max(sink.count() - still, 1); i < sink.count(); ++i) {
                EXPECT_FALSE(sink.deliveries()[i].repeat);
                EXPECT_TRUE(sink.deliveries()[i].bytes != sink.deliveries()[i - 1].bytes) << i;
            }
            std::vector<unsigned char> held;
            ASSERT_TRUE(exportRgb24(result.finalFrame.get(), held));
            EXPECT_TRUE(std::string(held.begin(), held.end()) == sink.deliveries().back().bytes);
        }
    }
}

// Mean absolute difference of two deliveries' bytes.
double byteDifference(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
    return sum / static_cast<double>(a.size());
}

TEST_F(MotionRender, AZoomInStartsOnTheFittedPictureAndEndsCloser) {
    // Large enough that the quarters' edges, where two resamplings differ, are a small share.
    AlbumProject project = album(128, 96, 5);
    AlbumItem item;
    item.path = quarterPicture(400, 300);
    RecordingSink still;
    ASSERT_TRUE(renderPicture(contextFor(project, still), item, Image()).finalFrame);
    item.motion = CameraMotion::ZoomIn;
    RecordingSink moving;
    ASSERT_TRUE(renderPicture(contextFor(project, moving), item, Image()).finalFrame);
    ASSERT_EQ(moving.count(), still.count());
    // The same picture, only resampled from the motion's own canvas: edges differ by a shade.
    EXPECT_LT(byteDifference(moving.deliveries().front().bytes, still.deliveries().front().bytes),
              3.0);
    EXPECT_GT(byteDifference(moving.deliveries().back().bytes, still.deliveries().back().bytes),
              10.0);
}

TEST_F(MotionRender, CaptionAndPreviewLogoLieOverTheMovingPictureAndOffTheHandedOnFrame) {
    AlbumProject project = album(64, 48, 6);
    AlbumItem item;
    item.path = quarterPicture(64, 48);
    Image picture = readPicture(item.path, "#ffffff");
    MotionPicture motion = prepareMotionPicture(CameraMotion::PanRight, 64, 48, picture, "#ffffff");
    ASSERT_TRUE(motion.ready());
    CaptionOverlay caption;
    caption.image = makeCanvas(8, 8, "#ff0000");
    caption.x = 40.5; // drawn at whole pixels: 40, 30
    caption.y = 30.9;
    for (bool afterTransition : {true, false}) {
        SCOPED_TRACE(afterTransition);
        caption.image = makeCanvas(8, 8, "#ff0000");
        RecordingSink sink;
        EffectInputs in;
        in.width = 64;
        in.height = 48;
        in.stillFrames = 6;
        in.sink = &sink;
        in.format = FrameFormat::Rgb24;
        in.caption = &caption;
        in.motion = &motion;
        PreviewLogo logo{makeCanvas(4, 4, "#0000ff"), 1, 1};
        in.logo = &logo;
        Image last = holdInMotion(in, afterTransition);
        ASSERT_TRUE(last);
        ASSERT_EQ(sink.count(), 6);
        std::vector<int> red;
        for (const Delivery& d : sink.deliveries()) {
            const auto* pixel =
                reinterpret_cast<const unsigned char*>(d.bytes.data()) + 3 * (33 * 64 + 43);
            red.push_back(pixel[0] - pixel[1]); // red over black or white
            const auto* logoPixel =
                reinterpret_cast<const unsigned char*>(d.bytes.data()) + 3 * (2 * 64 + 2);
            EXPECT_EQ(logoPixel[2] - logoPixel[0], 255) << "the preview logo is on every frame";
        }
        // 35 %, 60 %, then 85 % after a transition; 85 % at once without one.
        if (afterTransition) {
            EXPECT_LT(red[0], red[1]);
            EXPECT_LT(red[1], red[2]);
        } else {
            EXPECT_EQ(red[0], red[2]);
        }
        EXPECT_EQ(red[2], red[5]);
        EXPECT_NEAR(red[5], 0.85 * 255, 3);
        std::vector<unsigned char> held;
        ASSERT_TRUE(exportRgb24(last.get(), held));
        EXPECT_EQ(held[3 * (33 * 64 + 43)], held[3 * (33 * 64 + 43) + 1]); // no caption
        EXPECT_EQ(held[3 * (2 * 64 + 2)], held[3 * (2 * 64 + 2) + 2]);     // nor logo
    }
}

TEST_F(MotionRender, DegeneratePicturesLoopsAndFailuresKeepTheirCounts) {
    // A 1 x 1000 sliver, a picture smaller than the frame, loop play, and a sink that fails
    // mid-hold.
    AlbumProject project = album(80, 60, 9);
    for (auto [w, h] : {std::pair{1, 1000}, std::pair{10, 6}}) {
        AlbumItem item;
        item.path = quarterPicture(w, h);
        item.motion = CameraMotion::PanLeft;
        item.animationIndex = project.items.empty() ? NO_TRANSITION : 31;
        project.items.push_back(item);
    }
    RecordingSink sink;
    EXPECT_EQ(renderAlbum(contextFor(project, sink), 2, stop), RunOutcome::Completed);
    EXPECT_EQ(sink.count(), countAlbumFrames(project));
    // Loop play repeats the list, the first picture entering through the loop transition.
    project.settings.loopPlayAnimation = 31;
    RecordingSink looped;
    EXPECT_EQ(renderAlbum(contextFor(project, looped), 5, stop), RunOutcome::Completed);
    EXPECT_EQ(looped.count(), countRunFrames(project, 5));
    RecordingSink failing(12);
    EXPECT_EQ(renderAlbum(contextFor(project, failing), 2, stop), RunOutcome::DeliveryFailed);
    EXPECT_EQ(failing.count(), 12);
}

} // namespace
} // namespace velomira::testing
