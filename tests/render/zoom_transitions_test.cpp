// Tests for render/transitions/zoom_transitions
#include "render/transitions/zoom_transitions.h"

#include "effect_harness.h"
#include "render/transition_dispatch.h"
#include "render_fixture.h"
#include "support/picture_files.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace velomira::testing {
namespace {

class ZoomTransitionsTest : public RenderTest {};

// The previous frame is white and the new picture black, so every probe reads luma, which
// JPEG keeps at full resolution (chroma would be averaged across 2 x 2 pixels).
constexpr const char* kOld = "#ffffff";
constexpr const char* kNew = "#000000";

int lumaAt(MagickWand* image, long x, long y) {
    const Rgb p = pixelAt(image, x, y);
    return (p.red + p.green + p.blue) / 3;
}

EffectCase zoomCase(int index, int width, int height, int stillFrames = 2) {
    EffectCase c;
    c.effect = transitionEffect(index);
    c.parameter = transitionParameter(*transitionEntry(index), width, height);
    c.width = width;
    c.height = height;
    c.stillFrames = stillFrames;
    c.previousColour = kOld;
    c.pictureColour = kNew;
    return c;
}

// A point of a delivered frame and what it must show there.
struct Probe {
    int frame;
    long x;
    long y;
    bool showsNew;
};

// Probes far from any edge: the colour must be clearly one picture or the other.
void expectProbes(int index, const std::vector<Probe>& probes, int width = 320, int height = 180) {
    SCOPED_TRACE(::testing::Message() << "transition " << index);
    EffectRender render = renderEffect(zoomCase(index, width, height));
    ASSERT_TRUE(render.finalFrame);
    for (const Probe& probe : probes) {
        velomira::Image frame = decodeDelivery(render.sink, probe.frame);
        ASSERT_TRUE(frame);
        const int luma = lumaAt(frame.get(), probe.x, probe.y);
        if (probe.showsNew)
            EXPECT_LT(luma, 40) << "frame " << probe.frame << " at " << probe.x << "," << probe.y
                                << " should show the new picture";
        else
            EXPECT_GT(luma, 215) << "frame " << probe.frame << " at " << probe.x << "," << probe.y
                                 << " should show the previous frame";
    }
    // The caller's picture canvas is never drawn on.
    EXPECT_LT(lumaAt(render.canvas.get(), width / 2, height / 2), 5);
}

// Probes right at a boundary: one pixel on each side.
void expectBoundary(const RecordingSink& sink, int frameIndex, long x, long y, bool showsNew) {
    velomira::Image frame = decodeDelivery(sink, frameIndex);
    ASSERT_TRUE(frame);
    const int luma = lumaAt(frame.get(), x, y);
    if (showsNew)
        EXPECT_LT(luma, 128) << "frame " << frameIndex << " at " << x << "," << y;
    else
        EXPECT_GT(luma, 128) << "frame " << frameIndex << " at " << x << "," << y;
}

// ---- Whole contract at every harness size ----

TEST_F(ZoomTransitionsTest, CentreZoomOutKeepsTheContract) {
    expectCatalogueEffect(0);
}

TEST_F(ZoomTransitionsTest, GrowingPicturesKeepTheContract) {
    for (int index : {5, 7, 9, 11, 13, 14, 15, 16, 17})
        expectCatalogueEffect(index);
}

TEST_F(ZoomTransitionsTest, ShrinkingPreviousFramesKeepTheContract) {
    for (int index : {66, 67, 68, 81, 82, 83, 84})
        expectCatalogueEffect(index);
}

TEST_F(ZoomTransitionsTest, MoveInThenGrowKeepsTheContract) {
    for (int index : {89, 90, 91, 92})
        expectCatalogueEffect(index);
}

// ---- Frame counts ----

TEST_F(ZoomTransitionsTest, BandShrinkSplitsItsLastStep) {
    // 1024: 960 ... 64 (15 sizes), then 48 and 16, then the plain picture.
    EXPECT_EQ(countFrames(zoomCase(67, 1024, 576, 0)), 18);
    // 1000: 938 ... 70 (15 sizes), then 8 and 4, then the plain picture.
    EXPECT_EQ(countFrames(zoomCase(67, 1000, 562, 5)), 18 + 5);

    // The bands at those sizes, pixel-exact on both sides.
    EffectRender wide = renderEffect(zoomCase(67, 1024, 32, 0));
    ASSERT_EQ(wide.sink.count(), 18);
    expectBoundary(wide.sink, 14, 479, 16, true); // d = 64 at x = 480
    expectBoundary(wide.sink, 14, 480, 16, false);
    expectBoundary(wide.sink, 14, 543, 16, false);
    expectBoundary(wide.sink, 14, 544, 16, true);
    expectBoundary(wide.sink, 15, 487, 16, true); // d = 48 at x = 488
    expectBoundary(wide.sink, 15, 488, 16, false);
    expectBoundary(wide.sink, 16, 503, 16, true); // d = 16 at x = 504
    expectBoundary(wide.sink, 16, 504, 16, false);
    expectBoundary(wide.sink, 16, 519, 16, false);
    expectBoundary(wide.sink, 16, 520, 16, true);

    EffectRender odd = renderEffect(zoomCase(67, 1000, 32, 0));
    ASSERT_EQ(odd.sink.count(), 18);
    expectBoundary(odd.sink, 15, 495, 16, true); // d = 8 at x = 496
    expectBoundary(odd.sink, 15, 496, 16, false);
    expectBoundary(odd.sink, 15, 503, 16, false);
    expectBoundary(odd.sink, 15, 504, 16, true);
}

TEST_F(ZoomTransitionsTest, CornerShrinkAlwaysTakesSixteenFrames) {
    for (auto [w, h] : std::vector<std::pair<int, int>>{
             {1280, 720}, {1920, 1080}, {720, 960}, {30, 20}, {17, 5}, {2, 2}, {1, 1}}) {
        for (int index : {81, 82, 83, 84})
            EXPECT_EQ(countFrames(zoomCase(index, w, h, 7)), 16 + 7) << w << "x" << h;
    }
}

TEST_F(ZoomTransitionsTest, CountsOfTheOtherSequences) {
    // Growing: ceil(E / step); 1000 / 62 leaves a remainder, so s = 1000 comes 17th.
    EXPECT_EQ(countFrames(zoomCase(5, 1024, 576, 0)), 16);
    EXPECT_EQ(countFrames(zoomCase(5, 1000, 562, 0)), 17);
    EXPECT_EQ(countFrames(zoomCase(14, 1280, 720, 0)), 16); // 720 / 45
    EXPECT_EQ(countFrames(zoomCase(17, 1280, 720, 0)), 18); // step 75: 17 sizes, then 1280
    // Centre shrink at 1280 (step 75): 1205 ... 80, then 5, then the plain picture.
    EXPECT_EQ(countFrames(zoomCase(66, 1280, 720, 0)), 18);
    // Move-in at 1280: q = 106, n = 13: six approach frames, 11 growth frames, the picture.
    EXPECT_EQ(countFrames(zoomCase(89, 1280, 720, 0)), 18);
    // Tiny frames still end.
    EXPECT_EQ(countFrames(zoomCase(17, 2, 2, 0)), 2);
    EXPECT_EQ(countFrames(zoomCase(66, 2, 2, 0)), 2);
    EXPECT_EQ(countFrames(zoomCase(68, 2, 2, 0)), 2);
    // One pixel wide leaves no room to move in: the picture just appears.
    EXPECT_EQ(countFrames(zoomCase(91, 1, 1, 4)), 4);
}

// ---- Centre zooms ----

// A picture whose left 320 columns are white and the rest black: where that edge lands tells
// how much the picture was enlarged.
velomira::Image splitPicture(int width, int height) {
    velomira::Image picture = makeCanvas(width, height, "#000000");
    velomira::Image left = makeCanvas(320, height, "#ffffff");
    MagickCompositeImage(picture.get(), left.get(), OverCompositeOp, 0, 0);
    return picture;
}

struct ZoomRun {
    RecordingSink sink;
    velomira::Image result;
};

ZoomRun runZoom(int index, const velomira::Image& picture, velomira::Image previous,
                int stillFrames, int failAt = 0) {
    const int w = static_cast<int>(MagickGetImageWidth(picture.get()));
    const int h = static_cast<int>(MagickGetImageHeight(picture.get()));
    ZoomRun run{RecordingSink(failAt), velomira::Image()};
    EffectInputs in;
    in.width = w;
    in.height = h;
    in.pictureCanvas = &picture;
    in.stillFrames = stillFrames;
    in.previousFrame = std::move(previous);
    in.sink = &run.sink;
    run.result = transitionEffect(index)(in, transitionParameter(*transitionEntry(index), w, h));
    return run;
}

// The white-to-black edge of a split picture lies between columns left and right.
void expectEdgeBetween(const RecordingSink& sink, int frameIndex, long left, long right) {
    velomira::Image frame = decodeDelivery(sink, frameIndex);
    ASSERT_TRUE(frame);
    EXPECT_GT(lumaAt(frame.get(), left, 36), 200) << "frame " << frameIndex << " col " << left;
    EXPECT_LT(lumaAt(frame.get(), right, 36), 55) << "frame " << frameIndex << " col " << right;
}

TEST_F(ZoomTransitionsTest, ZoomOutStartsEnlargedByTwentyEvenSteps) {
    // W = 1280: trunc(25.6) = 25, made even: 26, so the first frame is 520 pixels wider and
    // the edge at column 320 lands at 320 x 1800 / 1280 - 260 = 190 (195 with 25, 200 with 24).
    velomira::Image picture = splitPicture(1280, 72);
    EffectCase counted = zoomCase(0, 1280, 720, 4);
    EXPECT_EQ(countFrames(counted), 21 + 4);
    ZoomRun run = runZoom(0, picture, velomira::Image(), 0);
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.sink.count(), 21);
    expectEdgeBetween(run.sink, 0, 186, 194);
    expectEdgeBetween(run.sink, 20, 316, 324); // ends at normal size
}

TEST_F(ZoomTransitionsTest, ZoomInEndsOnTheEnlargedPicture) {
    velomira::Image picture = splitPicture(1280, 72);
    ZoomRun run = runZoom(1, picture, velomira::Image(), 3);
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.sink.count(), 21 + 3);
    expectEdgeBetween(run.sink, 0, 316, 324); // starts at normal size
    expectEdgeBetween(run.sink, 20, 186, 194);
    // The still frames and the returned frame (the next picture's previous frame) keep it.
    EXPECT_EQ(run.sink.repeats(), 3);
    EXPECT_TRUE(run.sink.repeatsMatchPrevious());
    velomira::Image last = decodeDelivery(run.sink, 20);
    EXPECT_LT(meanDifference(last.get(), run.result.get()), 3.0);
    EXPECT_GT(meanDifference(run.result.get(), picture.get()), 20.0);
    EXPECT_GT(lumaAt(run.result.get(), 186, 36), 200);
    EXPECT_LT(lumaAt(run.result.get(), 194, 36), 55);
}

TEST_F(ZoomTransitionsTest, ZoomInCountsAndFailsLikeEveryEffect) {
    for (auto [w, h] : std::vector<std::pair<int, int>>{{400, 400}, {130, 128}, {30, 20}, {2, 2}}) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h);
        EffectCase c = zoomCase(1, w, h, 3);
        const int counted = countFrames(c);
        EXPECT_EQ(counted, 21 + 3);
        EffectRender full = renderEffect(c);
        ASSERT_TRUE(full.finalFrame);
        EXPECT_EQ(full.sink.count(), counted);
        EXPECT_EQ(MagickGetImageWidth(full.finalFrame.get()), static_cast<size_t>(w));
        EXPECT_EQ(MagickGetImageHeight(full.finalFrame.get()), static_cast<size_t>(h));
        if (w * h > 130 * 128)
            continue;
        for (int k = 1; k <= counted; ++k) {
            EffectRender failed = renderEffect(c, k);
            EXPECT_FALSE(failed.finalFrame) << "after delivery " << k << " failed";
            EXPECT_EQ(failed.sink.count(), k);
        }
    }
}

TEST_F(ZoomTransitionsTest, PreviousFrameFadesOverTheFirstFiveFrames) {
    // Blue previous frame over a red picture: 0.85, 0.70, 0.55, 0.40, 0.25, then gone.
    velomira::Image picture = makeCanvas(64, 48, "#ff0000");
    ZoomRun run = runZoom(0, picture, makeCanvas(64, 48, "#0000ff"), 0);
    ASSERT_EQ(run.sink.count(), 21);
    const double opacities[] = {0.85, 0.70, 0.55, 0.40, 0.25, 0.0, 0.0};
    for (int i = 0; i < 7; ++i) {
        velomira::Image frame = decodeDelivery(run.sink, i);
        const Rgb expected{static_cast<int>(255 * (1 - opacities[i]) + 0.5), 0,
                           static_cast<int>(255 * opacities[i] + 0.5)};
        EXPECT_TRUE(near(pixelAt(frame.get(), 32, 24), expected, 8)) << "frame " << i;
    }
    // Without a previous frame nothing is laid over the first frame.
    ZoomRun first = runZoom(0, picture, velomira::Image(), 0);
    velomira::Image frame = decodeDelivery(first.sink, 0);
    EXPECT_TRUE(near(pixelAt(frame.get(), 32, 24), Rgb{255, 0, 0}, 8));
}

// ---- Growing pictures: the right corner or edge, and growing rather than shrinking ----

TEST_F(ZoomTransitionsTest, PicturesGrowFromTheirCornerOrEdge) {
    // 320 x 180, r = 0.5625. Frame 7: s = 160 (width steps of 20), s = 88 (height steps of
    // 11), s = 144 for the centre (steps of 18). Points that show the new picture at frame 7
    // still show the previous frame at frame 0.
    struct Case {
        int index;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases{
        {5,
         {{7, 20, 20, true},
          {0, 20, 20, false},
          {7, 300, 160, false},
          {7, 300, 20, false},
          {7, 20, 160, false}}},
        {7, {{7, 20, 160, true}, {0, 20, 160, false}, {7, 20, 20, false}, {7, 300, 160, false}}},
        {9, {{7, 300, 20, true}, {0, 300, 20, false}, {7, 20, 20, false}, {7, 300, 160, false}}},
        {11, {{7, 300, 160, true}, {0, 300, 160, false}, {7, 20, 160, false}, {7, 300, 20, false}}},
        {13,
         {{7, 40, 90, true},
          {0, 40, 90, false},
          {7, 20, 20, false},
          {7, 20, 160, false},
          {7, 300, 90, false}}},
        {15,
         {{7, 280, 90, true},
          {0, 280, 90, false},
          {7, 300, 20, false},
          {7, 300, 160, false},
          {7, 20, 90, false}}},
        {14,
         {{7, 160, 20, true},
          {0, 160, 20, false},
          {7, 160, 160, false},
          {7, 20, 20, false},
          {7, 300, 20, false}}},
        {16, {{7, 160, 160, true}, {0, 160, 160, false}, {7, 160, 20, false}, {7, 20, 160, false}}},
        {17,
         {{7, 160, 110, true},
          {0, 160, 110, false},
          {7, 20, 20, false},
          {7, 300, 160, false},
          {7, 20, 160, false}}},
    };
    for (const Case& c : cases)
        expectProbes(c.index, c.probes);
}

TEST_F(ZoomTransitionsTest, GrowingCornerStopsAtItsSize) {
    // Index 5 at frame 7: 160 x 90 at (0, 0).
    EffectRender render = renderEffect(zoomCase(5, 320, 180));
    expectBoundary(render.sink, 7, 159, 45, true);
    expectBoundary(render.sink, 7, 160, 45, false);
    expectBoundary(render.sink, 7, 80, 89, true);
    expectBoundary(render.sink, 7, 80, 90, false);
    // Index 16 at frame 7: 156 x 88 at (81, 92).
    EffectRender bottom = renderEffect(zoomCase(16, 320, 180));
    expectBoundary(bottom.sink, 7, 160, 91, false);
    expectBoundary(bottom.sink, 7, 160, 92, true);
    expectBoundary(bottom.sink, 7, 80, 140, false);
    expectBoundary(bottom.sink, 7, 81, 140, true);
}

TEST_F(ZoomTransitionsTest, WithoutPreviousFrameEffectsDrawOverBlack) {
    for (int index : {5, 81, 89}) {
        EffectCase c = zoomCase(index, 320, 180);
        c.pictureColour = "#ffffff";
        c.withPrevious = false;
        EffectRender render = renderEffect(c);
        ASSERT_TRUE(render.finalFrame) << index;
        velomira::Image first = decodeDelivery(render.sink, 0);
        EXPECT_LT(lumaAt(first.get(), 160, 120), 20) << index;
    }
}

// ---- Shrinking previous frames: towards the right place ----

TEST_F(ZoomTransitionsTest, PreviousFramesShrinkTowardsTheirTarget) {
    // 320 x 180. Corners: q = 20 (81, 82) or 11 (83, 84); frame k has d = (15 - k) q.
    // Centre (step 18): frame 5 d = 212, frame 15 d = 32. Bands: frame 5 d = 200 (67) or 114
    // (68).
    struct Case {
        int index;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases{
        {81,
         {{0, 20, 20, false},
          {0, 310, 175, true},
          {14, 5, 5, false},
          {14, 30, 30, true},
          {0, 150, 80, false},
          {14, 150, 80, true}}},
        {82, {{0, 20, 160, false}, {0, 310, 5, true}, {14, 5, 175, false}, {14, 30, 150, true}}},
        {83, {{0, 300, 20, false}, {0, 10, 175, true}, {13, 300, 10, false}, {13, 270, 40, true}}},
        {84, {{0, 300, 160, false}, {0, 10, 5, true}, {13, 300, 170, false}, {13, 270, 140, true}}},
        {66,
         {{5, 160, 90, false},
          {5, 20, 15, true},
          {5, 300, 165, true},
          {15, 160, 89, false},
          {15, 130, 89, true}}},
        {67, {{5, 160, 90, false}, {5, 160, 5, false}, {5, 20, 90, true}, {5, 300, 90, true}}},
        {68, {{5, 160, 90, false}, {5, 5, 90, false}, {5, 160, 10, true}, {5, 160, 170, true}}},
    };
    for (const Case& c : cases)
        expectProbes(c.index, c.probes);

    EffectRender band = renderEffect(zoomCase(67, 320, 180));
    expectBoundary(band.sink, 5, 59, 90, true);
    expectBoundary(band.sink, 5, 60, 90, false);
    expectBoundary(band.sink, 5, 259, 90, false);
    expectBoundary(band.sink, 5, 260, 90, true);
    EffectRender rows = renderEffect(zoomCase(68, 320, 180));
    expectBoundary(rows.sink, 5, 160, 32, true);
    expectBoundary(rows.sink, 5, 160, 33, false);
    expectBoundary(rows.sink, 5, 160, 146, false);
    expectBoundary(rows.sink, 5, 160, 147, true);
}

// ---- Move in, then grow ----

TEST_F(ZoomTransitionsTest, SmallPictureMovesInFromItsEdge) {
    // 320 x 180: q = 26, the small picture is 52 x 29; steps of 10.67 (vertical) or 22.33
    // (horizontal). Approach frames are drawn on copies, so frame 5 no longer shows frame 0's
    // picture; frame 6 is the first growth frame, 52 x 29 in the centre.
    struct Case {
        int index;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases{
        {89,
         {{0, 160, 14, true},
          {0, 160, 90, false},
          {0, 20, 14, false},
          {5, 160, 67, true},
          {5, 160, 14, false},
          {6, 160, 89, true},
          {6, 160, 67, false}}},
        {90,
         {{0, 160, 165, true},
          {0, 160, 90, false},
          {5, 160, 111, true},
          {5, 160, 165, false},
          {6, 160, 89, true}}},
        {91,
         {{0, 26, 89, true},
          {0, 160, 89, false},
          {5, 136, 89, true},
          {5, 26, 89, false},
          {6, 160, 89, true}}},
        {92,
         {{0, 294, 89, true},
          {0, 160, 89, false},
          {5, 182, 89, true},
          {5, 294, 89, false},
          {6, 160, 89, true},
          {6, 294, 89, false}}},
    };
    for (const Case& c : cases)
        expectProbes(c.index, c.probes);
}

} // namespace
} // namespace velomira::testing
