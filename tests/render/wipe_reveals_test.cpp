// Wipe reveals: the whole effect contract, frame counts, and pixel probes at the boundary
// between the two pictures. Probes sit on 16-pixel boundaries so the JPEG frames keep both
// sides' colours clean.
#include "effect_harness.h"
#include "render/transition_dispatch.h"
#include "render/transitions/wipe_reveals.h"
#include "render_fixture.h"
#include "support/picture_files.h"

#include <vector>

namespace velomira::testing {
namespace {

// Greys only: the frames' chroma is subsampled and smeared across a boundary, their
// brightness is not.
const Rgb kNew{255, 255, 255}; // the picture
const Rgb kOld{128, 128, 128}; // the previous frame
const Rgb kMarker{64, 64, 64}; // a stripe to follow
const Rgb kBlack{0, 0, 0};
constexpr const char* kNewColour = "#ffffff";
constexpr const char* kOldColour = "#808080";

velomira::Image solid(int width, int height, const char* colour) {
    return makeCanvas(width, height, colour);
}

// A solid image with a dark stripe: columns [from, to) when vertical, else rows.
velomira::Image striped(int width, int height, const char* colour, bool vertical, int from,
                        int to) {
    velomira::Image image = solid(width, height, colour);
    velomira::Image stripe =
        vertical ? solid(to - from, height, "#404040") : solid(width, to - from, "#404040");
    MagickCompositeImage(image.get(), stripe.get(), OverCompositeOp, vertical ? from : 0,
                         vertical ? 0 : from);
    return image;
}

struct Rendered {
    RecordingSink sink;
    velomira::Image result;
};

// Renders the catalogue effect with these pictures; no previous frame when previous is empty.
Rendered render(int index, velomira::Image picture, velomira::Image previous) {
    Rendered out;
    EffectInputs in;
    in.width = widthOf(picture);
    in.height = heightOf(picture);
    in.pictureCanvas = &picture;
    in.previousFrame = std::move(previous);
    in.sink = &out.sink;
    out.result =
        wipeReveal(in, transitionParameter(*transitionEntry(index), in.width, in.height), index);
    return out;
}

struct Probe {
    long x;
    long y;
    Rgb colour;
};

void expectProbes(const RecordingSink& sink, int frame, const std::vector<Probe>& probes) {
    velomira::Image image = decodeDelivery(sink, frame);
    ASSERT_TRUE(image);
    for (const Probe& p : probes) {
        const Rgb seen = pixelAt(image.get(), p.x, p.y);
        EXPECT_TRUE(near(seen, p.colour, 24))
            << "frame " << frame << " at (" << p.x << ", " << p.y << "): " << seen.red << ","
            << seen.green << "," << seen.blue;
    }
}

struct ProbeCase {
    int index;
    int width;
    int height;
    int frame;
    std::vector<Probe> probes;
};

void runProbeCases(const std::vector<ProbeCase>& cases) {
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "transition " << c.index);
        Rendered r = render(c.index, solid(c.width, c.height, kNewColour),
                            solid(c.width, c.height, kOldColour));
        ASSERT_TRUE(r.result);
        expectProbes(r.sink, c.frame, c.probes);
    }
}

class WipeReveals : public RenderTest {};

TEST_F(WipeReveals, EdgeAndCentreWipesKeepTheContract) {
    for (int index : {21, 22, 23, 24, 18, 19, 20})
        expectCatalogueEffect(index);
}

TEST_F(WipeReveals, CornerWipesAndShrinkingWindowsKeepTheContract) {
    for (int index : {6, 8, 10, 12, 2, 3, 4})
        expectCatalogueEffect(index);
}

TEST_F(WipeReveals, DoorsKeepTheContract) {
    for (int index : {95, 96, 97, 98})
        expectCatalogueEffect(index);
}

TEST_F(WipeReveals, DegenerateFramesEndAndKeepTheContract) {
    for (int index : {2, 3, 4, 6, 8, 10, 12, 18, 19, 20, 21, 22, 23, 24, 95, 96, 97, 98}) {
        SCOPED_TRACE(::testing::Message() << "transition " << index);
        for (auto [w, h] : {std::pair{1, 1}, {3, 1}, {1, 40}, {40, 3}})
            expectEffectContract(catalogueCase(index, w, h));
    }
}

TEST_F(WipeReveals, LeftToRightStepsBySixteenthsAndEndsOnTheFullWidth) {
    EXPECT_EQ(transitionFrames(21, 1024, 576), 16);
    EXPECT_EQ(transitionFrames(21, 1000, 562), 17);
    // At W = 1000 the step is 62: the 16th frame stops at 992, the 17th is the picture.
    Rendered r = render(21, solid(1000, 562, kNewColour), solid(1000, 562, kOldColour));
    ASSERT_EQ(r.sink.count(), 17);
    expectProbes(r.sink, 15, {{991, 280, kNew}, {992, 280, kOld}});
    expectProbes(r.sink, 16, {{999, 280, kNew}});
}

TEST_F(WipeReveals, DoorsTakeAnEvenThirtiethAndSkipTheFullFrameDoor) {
    EXPECT_EQ(transitionFrames(95, 1280, 720), 16);
    EXPECT_EQ(transitionFrames(97, 1280, 720), 16);
    EXPECT_EQ(transitionFrames(95, 1260, 720), 15);
    EXPECT_EQ(transitionFrames(97, 1260, 720), 15);
    EXPECT_EQ(transitionFrames(96, 720, 1280), 16);
    EXPECT_EQ(transitionFrames(98, 720, 1280), 16);
    EXPECT_EQ(transitionFrames(96, 720, 1260), 15);
    EXPECT_EQ(transitionFrames(98, 720, 1260), 15);
    // 1280: doors of 630, 588, ... 42; the eighth frame has doors of 8 x 42 = 336.
    Rendered r = render(95, solid(1280, 720, kNewColour), solid(1280, 720, kOldColour));
    ASSERT_EQ(r.sink.count(), 16);
    expectProbes(r.sink, 7,
                 {{335, 360, kOld}, {336, 360, kNew}, {943, 360, kNew}, {944, 360, kOld}});
}

TEST_F(WipeReveals, EdgeWipesRevealFromTheirEdgeUpToTheBoundary) {
    // Step 16; frame 2 has s = 48.
    runProbeCases({
        {21, 256, 128, 2, {{0, 64, kNew}, {47, 64, kNew}, {48, 64, kOld}, {255, 64, kOld}}},
        {24, 256, 128, 2, {{0, 64, kOld}, {207, 64, kOld}, {208, 64, kNew}, {255, 64, kNew}}},
        {22, 128, 256, 2, {{64, 0, kNew}, {64, 47, kNew}, {64, 48, kOld}, {64, 255, kOld}}},
        {23, 128, 256, 2, {{64, 0, kOld}, {64, 207, kOld}, {64, 208, kNew}, {64, 255, kNew}}},
    });
}

TEST_F(WipeReveals, CentreWipesGrowFromTheMiddle) {
    // Frame 1 has s = 32: the band [112, 144).
    runProbeCases({
        {19, 256, 128, 1, {{111, 64, kOld}, {112, 64, kNew}, {143, 64, kNew}, {144, 64, kOld}}},
        {20, 128, 256, 1, {{64, 111, kOld}, {64, 112, kNew}, {64, 143, kNew}, {64, 144, kOld}}},
        {18,
         256,
         256,
         1,
         {{112, 112, kNew},
          {143, 143, kNew},
          {111, 128, kOld},
          {144, 128, kOld},
          {128, 111, kOld},
          {128, 144, kOld}}},
    });
}

TEST_F(WipeReveals, CornerWipesGrowFromTheirCorner) {
    // Square frame, so h = s; frame 3 has s = 64.
    runProbeCases({
        {6, 256, 256, 3, {{0, 0, kNew}, {63, 63, kNew}, {64, 32, kOld}, {32, 64, kOld}}},
        {10, 256, 256, 3, {{255, 0, kNew}, {192, 63, kNew}, {191, 32, kOld}, {224, 64, kOld}}},
        {8, 256, 256, 3, {{0, 255, kNew}, {63, 192, kNew}, {64, 224, kOld}, {32, 191, kOld}}},
        {12, 256, 256, 3, {{255, 255, kNew}, {192, 192, kNew}, {191, 224, kOld}, {224, 191, kOld}}},
    });
}

TEST_F(WipeReveals, ACornerTooFlatToHaveRowsRevealsNothingYet) {
    // 256 x 8: at s = 16 the corner is half a row high; it must not become a full-height band.
    runProbeCases({{6, 256, 8, 0, {{8, 4, kOld}}}, {8, 256, 8, 0, {{8, 4, kOld}}}});
}

TEST_F(WipeReveals, ShrinkingWindowsKeepThePreviousFrameInTheMiddle) {
    // Frame 3 has d = 256 - 64 = 192: the window [32, 224).
    runProbeCases({
        {2,
         256,
         256,
         3,
         {{31, 128, kNew},
          {32, 128, kOld},
          {223, 128, kOld},
          {224, 128, kNew},
          {128, 31, kNew},
          {128, 32, kOld},
          {128, 224, kNew}}},
        {3, 256, 128, 3, {{31, 64, kNew}, {32, 64, kOld}, {223, 64, kOld}, {224, 64, kNew}}},
        {4, 128, 256, 3, {{64, 31, kNew}, {64, 32, kOld}, {64, 223, kOld}, {64, 224, kNew}}},
    });
}

TEST_F(WipeReveals, OpeningDoorsCarryTheMiddleOfThePreviousFrameOutwards) {
    // 256: step 8, n = 15; frame 7 has doors of 64. A stripe just left of the middle of the
    // previous frame ([112, 128)) rides on the inner edge of the left door ([48, 64)).
    Rendered r =
        render(95, solid(256, 128, kNewColour), striped(256, 128, kOldColour, true, 112, 128));
    ASSERT_EQ(r.sink.count(), 16);
    expectProbes(
        r.sink, 7,
        {{40, 64, kOld}, {56, 64, kMarker}, {64, 64, kNew}, {191, 64, kNew}, {192, 64, kOld}});
    Rendered v =
        render(96, solid(128, 256, kNewColour), striped(128, 256, kOldColour, false, 112, 128));
    ASSERT_EQ(v.sink.count(), 16);
    expectProbes(
        v.sink, 7,
        {{64, 40, kOld}, {64, 56, kMarker}, {64, 64, kNew}, {64, 191, kNew}, {64, 192, kOld}});
}

TEST_F(WipeReveals, ClosingDoorsBringTheMiddleOfThePictureInFromTheEdges) {
    // 256: step 8, n = 16; frame 3 has doors of 32 showing the picture's [96, 128) and
    // [128, 160), so the stripe [112, 128) appears at [16, 32).
    Rendered r =
        render(97, striped(256, 128, kNewColour, true, 112, 128), solid(256, 128, kOldColour));
    ASSERT_EQ(r.sink.count(), 16);
    expectProbes(
        r.sink, 3,
        {{8, 64, kNew}, {24, 64, kMarker}, {32, 64, kOld}, {223, 64, kOld}, {224, 64, kNew}});
    Rendered v =
        render(98, striped(128, 256, kNewColour, false, 112, 128), solid(128, 256, kOldColour));
    ASSERT_EQ(v.sink.count(), 16);
    expectProbes(
        v.sink, 3,
        {{64, 8, kNew}, {64, 24, kMarker}, {64, 32, kOld}, {64, 223, kOld}, {64, 224, kNew}});
}

TEST_F(WipeReveals, FirstPictureIsRevealedOverBlack) {
    Rendered wipe = render(21, solid(256, 128, kNewColour), velomira::Image());
    expectProbes(wipe.sink, 2, {{47, 64, kNew}, {48, 64, kBlack}});
    Rendered opening = render(95, solid(256, 128, kNewColour), velomira::Image());
    expectProbes(opening.sink, 7, {{63, 64, kBlack}, {64, 64, kNew}, {192, 64, kBlack}});
    Rendered closing = render(97, solid(256, 128, kNewColour), velomira::Image());
    expectProbes(closing.sink, 3, {{31, 64, kNew}, {32, 64, kBlack}, {224, 64, kNew}});
    for (const Rendered* r : {&wipe, &opening, &closing})
        EXPECT_TRUE(r->result);
}

} // namespace
} // namespace velomira::testing
