// Clock sweeps, windmill, blinds and raster steps: the effect contract at every size, frame
// counts, the turning direction of every sweep, and where blinds and bands stand.
#include "effect_harness.h"
#include "render/transition_dispatch.h"
#include "render/transitions/sweep_blind_raster.h"
#include "render_fixture.h"
#include "support/picture_files.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace velomira::testing {
namespace {

const Rgb kPrevious{0, 0, 255}; // EffectCase's previous frame
const Rgb kPicture{255, 0, 0};  // EffectCase's picture

struct Probe {
    int frame;
    long x;
    long y;
    bool picture; // the new picture, else the previous frame
};

void expectProbes(int index, int width, int height, const std::vector<Probe>& probes) {
    SCOPED_TRACE(::testing::Message() << "transition " << index);
    EffectRender r = renderEffect(catalogueCase(index, width, height));
    ASSERT_TRUE(r.finalFrame);
    for (const Probe& p : probes) {
        velomira::Image frame = decodeDelivery(r.sink, p.frame);
        ASSERT_TRUE(frame);
        const Rgb seen = pixelAt(frame.get(), p.x, p.y);
        EXPECT_TRUE(near(seen, p.picture ? kPicture : kPrevious, 60))
            << "frame " << p.frame << " at (" << p.x << ", " << p.y << ") shows " << seen.red << ","
            << seen.green << "," << seen.blue;
    }
}

// A probe 100 pixels from the centre of a 640 x 360 frame, at an angle in degrees clockwise
// from 3 o'clock (270 is 12 o'clock).
Probe clockProbe(int frame, double degrees, bool picture) {
    const double a = degrees * std::numbers::pi / 180.0;
    return {frame, std::lround(320 + 100 * std::cos(a)), std::lround(180 + 100 * std::sin(a)),
            picture};
}

class SweepBlindRaster : public RenderTest {};

TEST_F(SweepBlindRaster, SweepsKeepTheContract) {
    for (int index : {32, 33, 34, 35, 36, 57})
        expectCatalogueEffect(index);
}

TEST_F(SweepBlindRaster, BlindsAndRasterStepsKeepTheContract) {
    for (int index : {41, 42, 43, 44, 49, 50})
        expectCatalogueEffect(index);
}

TEST_F(SweepBlindRaster, FrameCountsFollowTheAngleStep) {
    EXPECT_EQ(transitionFrames(32, 1280, 720), 20); // 19.8 degrees: 19 sectors and the picture
    EXPECT_EQ(countFrames(catalogueCase(32, 1280, 720, 50)), 70);
    for (int index : {34, 35, 36})
        EXPECT_EQ(transitionFrames(index, 1280, 720), 20) << index;
    EXPECT_EQ(transitionFrames(33, 1280, 720), 18); // 11 degrees each way over 180
    EXPECT_EQ(transitionFrames(57, 1280, 720), 18); // 5.45 degrees over 90
    for (auto [w, h] : {std::pair{1280, 720}, {720, 960}, {30, 20}, {2, 2}}) {
        for (int index : {49, 50})
            EXPECT_EQ(transitionFrames(index, w, h), 18) << index << " at " << w << "x" << h;
        for (int index : {41, 42, 43, 44})
            EXPECT_EQ(transitionFrames(index, w, h), 21) << index << " at " << w << "x" << h;
    }
}

TEST_F(SweepBlindRaster, AnAngleStepThatNeverEndsMeansNoTransition) {
    for (double bad : {0.0, -19.8, 0.0004, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        EffectCase c = catalogueCase(32, 64, 48, 4);
        c.parameter.value = bad;
        EXPECT_EQ(countFrames(c), 4) << bad;
        EffectRender r = renderEffect(c);
        ASSERT_TRUE(r.finalFrame) << bad;
        EXPECT_EQ(r.sink.count(), 4) << bad;
        EXPECT_LT(meanDifference(r.finalFrame.get(), r.canvas.get()), 1.0);
    }
}

TEST_F(SweepBlindRaster, SweepsTurnTheirWay) {
    // Frame 5 has turned 99 degrees (19.8 per frame); frame 0 is the previous frame as it was,
    // without even a line from the centre.
    expectProbes(32, 640, 360,
                 {clockProbe(0, 270, false), clockProbe(5, 315, true), clockProbe(5, 5, true),
                  clockProbe(5, 225, false), clockProbe(5, 45, false)});
    expectProbes(36, 640, 360,
                 {clockProbe(0, 270, false), clockProbe(5, 225, true), clockProbe(5, 175, true),
                  clockProbe(5, 315, false), clockProbe(5, 135, false)});
    expectProbes(34, 640, 360,
                 {clockProbe(0, 180, false), clockProbe(5, 225, true), clockProbe(5, 275, true),
                  clockProbe(5, 135, false), clockProbe(5, 300, false)});
    expectProbes(35, 640, 360,
                 {clockProbe(0, 180, false), clockProbe(5, 135, true), clockProbe(5, 85, true),
                  clockProbe(5, 225, false), clockProbe(5, 60, false)});
    // Both ways from 12 o'clock, 44 degrees each in frame 4.
    expectProbes(33, 640, 360,
                 {clockProbe(4, 250, true), clockProbe(4, 290, true), clockProbe(4, 200, false),
                  clockProbe(4, 340, false), clockProbe(4, 90, false)});
    // Windmill frame 8: four blades of 43 whole degrees from 12, 3, 6 and 9 o'clock.
    std::vector<Probe> blades;
    for (double start : {270.0, 0.0, 90.0, 180.0}) {
        blades.push_back(clockProbe(8, start + 20, true));
        blades.push_back(clockProbe(8, start + 70, false));
    }
    expectProbes(57, 640, 360, blades);
}

TEST_F(SweepBlindRaster, BlindsOpenTogether) {
    // Pitch 40, growth 40 / 18: frame 8 has every blind half open.
    std::vector<Probe> across, down;
    for (int j : {0, 6, 13}) {
        across.push_back({8, 40 * j + 10, 140, true});
        across.push_back({8, 40 * j + 30, 140, false});
        down.push_back({8, 140, 40 * j + 10, true});
        down.push_back({8, 140, 40 * j + 30, false});
    }
    expectProbes(49, 560, 280, across);
    expectProbes(50, 280, 560, down);
}

TEST_F(SweepBlindRaster, RasterBandsOpenAsAStaircase) {
    // Bands of 40, advancing 7.5 per frame; in frame 4 band j is open 7.5 * (5 - j): columns
    // 0-36, 40-69, 80-101, 120-134, 160-166.
    const std::vector<std::pair<long, bool>> steps{{20, true},   {55, true},   {90, true},
                                                   {112, false}, {145, false}, {200, false}};
    std::vector<Probe> fromLeft, fromRight, fromTop, fromBottom;
    for (auto [at, open] : steps) {
        fromLeft.push_back({4, at, 180, open});
        fromRight.push_back({4, 639 - at, 180, open});
        fromTop.push_back({4, 180, at, open});
        fromBottom.push_back({4, 180, 639 - at, open});
    }
    expectProbes(41, 640, 360, fromLeft);
    expectProbes(42, 640, 360, fromRight);
    // Portrait: the top and bottom rasters take bands of H / 16 = 40 ...
    expectProbes(43, 360, 640, fromTop);
    expectProbes(44, 360, 640, fromBottom);
    // ... and the side rasters bands of W / 16 = 22.5: columns 0-20, 22-38, 45-56, 67-75.
    expectProbes(41, 360, 640,
                 {{4, 10, 320, true},
                  {4, 30, 320, true},
                  {4, 50, 320, true},
                  {4, 62, 320, false},
                  {4, 83, 320, false},
                  {4, 150, 320, false}});
}

} // namespace
} // namespace velomira::testing
