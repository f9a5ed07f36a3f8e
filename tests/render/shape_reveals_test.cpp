// Shape reveals: the effect contract at every size, frame counts, where each shape starts and
// where it goes, and the drawing in pieces against the whole mask (for both mask families).
#include "effect_harness.h"
#include "render/transition_dispatch.h"
#include "render/transitions/mask_drawing.h"
#include "render/transitions/shape_reveals.h"
#include "render/transitions/sweep_blind_raster.h"
#include "render_fixture.h"
#include "support/picture_files.h"

namespace velomira::testing {
namespace {

const Rgb kPrevious{0, 0, 255}; // EffectCase's previous frame
const Rgb kPicture{255, 0, 0};  // EffectCase's picture
const Rgb kBlack{0, 0, 0};

struct Probe {
    int frame;
    long x;
    long y;
    Rgb expected;
};

// Renders the effect once and checks each probe (JPEG frames: a loose tolerance, probes are
// kept a few pixels away from every edge).
void expectProbes(const EffectCase& c, const std::vector<Probe>& probes) {
    EffectRender r = renderEffect(c);
    ASSERT_TRUE(r.finalFrame);
    for (const Probe& p : probes) {
        velomira::Image frame = decodeDelivery(r.sink, p.frame);
        ASSERT_TRUE(frame);
        const Rgb seen = pixelAt(frame.get(), p.x, p.y);
        EXPECT_TRUE(near(seen, p.expected, 60))
            << "frame " << p.frame << " at (" << p.x << ", " << p.y << ") shows " << seen.red << ","
            << seen.green << "," << seen.blue;
    }
}

void expectProbes(int index, int width, int height, const std::vector<Probe>& probes) {
    SCOPED_TRACE(::testing::Message() << "transition " << index);
    expectProbes(catalogueCase(index, width, height), probes);
}

class ShapeReveals : public RenderTest {};

TEST_F(ShapeReveals, CirclesDiamondsAndXShapesKeepTheContract) {
    for (int index : {25, 26, 55, 56, 58, 59})
        expectCatalogueEffect(index);
}

TEST_F(ShapeReveals, CornerShapesKeepTheContract) {
    for (int index : {37, 38, 51, 52, 53, 54})
        expectCatalogueEffect(index);
}

TEST_F(ShapeReveals, ArrowsSweepsAndScansKeepTheContract) {
    for (int index : {64, 65, 73, 74, 75, 76, 77, 78, 79, 80})
        expectCatalogueEffect(index);
}

TEST_F(ShapeReveals, FrameCountsFollowTheStepping) {
    EXPECT_EQ(transitionFrames(25, 1280, 720), 16); // step 80
    EXPECT_EQ(transitionFrames(26, 1280, 720), 16);
    EXPECT_EQ(transitionFrames(25, 1000, 562), 17); // step 62, the last size is 1000
    EXPECT_EQ(countFrames(catalogueCase(25, 1280, 720, 50)), 66);
    // Portrait frames step by H / 16.
    EXPECT_EQ(transitionFrames(55, 720, 960), 16);
    EXPECT_EQ(transitionFrames(55, 720, 1000), 17);
    EXPECT_EQ(transitionFrames(56, 720, 960), 16);
    EXPECT_EQ(transitionFrames(56, 720, 1000), 17);
    EXPECT_EQ(transitionFrames(37, 1280, 720), 16);
    EXPECT_EQ(transitionFrames(38, 1280, 720), 16);
    EXPECT_EQ(transitionFrames(37, 1000, 562), 17);
    EXPECT_EQ(transitionFrames(38, 1000, 562), 17);
    EXPECT_EQ(transitionFrames(58, 1280, 720), 16);
    EXPECT_EQ(transitionFrames(59, 1000, 562), 17); // c = 31 does not divide 500
    for (int index : {51, 64, 65, 73, 77, 80}) {
        EXPECT_EQ(transitionFrames(index, 1280, 720), 20) << index;
        EXPECT_EQ(transitionFrames(index, 30, 20), 20) << index;
    }
    // A frame one pixel wide has no X steps at all: the picture appears as without transition.
    EXPECT_EQ(countFrames(catalogueCase(58, 1, 40, 5)), 5);
    EXPECT_EQ(countFrames(catalogueCase(59, 1, 40, 5)), 5);
}

TEST_F(ShapeReveals, CircleOpensFromTheCentreAndClosesTowardIt) {
    // 640 x 360: step 40. Index 25, frame 7: s = 320, radius 184.
    expectProbes(25, 640, 360,
                 {{0, 320, 180, kPicture},
                  {0, 370, 180, kPrevious},
                  {0, 8, 8, kPrevious},
                  {7, 470, 180, kPicture},
                  {7, 320, 260, kPicture},
                  {7, 520, 180, kPrevious},
                  {7, 8, 8, kPrevious}});
    // Index 26, frame 0: s = 600, radius 344, so the corners already show the picture;
    // frame 10: s = 200, radius 115.
    expectProbes(26, 640, 360,
                 {{0, 320, 180, kPrevious},
                  {0, 6, 6, kPicture},
                  {10, 320, 180, kPrevious},
                  {10, 470, 180, kPicture},
                  {10, 320, 60, kPicture}});
    // Without a previous frame the circle grows over black, and black shrinks.
    EffectCase grow = catalogueCase(25, 640, 360);
    grow.withPrevious = false;
    expectProbes(grow, {{0, 8, 8, kBlack}, {0, 320, 180, kPicture}});
    EffectCase shrink = catalogueCase(26, 640, 360);
    shrink.withPrevious = false;
    expectProbes(shrink, {{0, 320, 180, kBlack}, {0, 6, 6, kPicture}});
}

TEST_F(ShapeReveals, DiamondsFollowTheFrameProportions) {
    // Portrait 360 x 480: q = 30; frame 3 has a = 120 up and down and 90 across.
    expectProbes(55, 360, 480,
                 {{3, 180, 140, kPicture}, {3, 110, 240, kPicture}, {3, 75, 240, kPrevious}});
    // Landscape 480 x 360: 120 across, 90 up and down.
    expectProbes(55, 480, 360,
                 {{3, 140, 180, kPicture}, {3, 240, 110, kPicture}, {3, 240, 75, kPrevious}});
    // Index 56 starts with a = 450: the corners are outside the diamond already.
    expectProbes(56, 480, 360, {{0, 240, 180, kPrevious}, {0, 6, 6, kPicture}});
}

TEST_F(ShapeReveals, CornerShapesStartInTheirCorners) {
    // 320 x 180: u = 32, frame 4 has legs of 160. The probe beside the vertical leg is where a
    // wrongly turned arc would cut into the triangle.
    struct Corner {
        int index;
        bool right;
        bool bottom;
    };
    for (Corner c : {Corner{51, false, false}, Corner{52, false, true}, Corner{53, true, false},
                     Corner{54, true, true}}) {
        auto at = [&](long dx, long dy) {
            return std::pair{c.right ? 319 - dx : dx, c.bottom ? 179 - dy : dy};
        };
        auto [x1, y1] = at(10, 10);
        auto [x2, y2] = at(5, 80);
        auto [x3, y3] = at(80, 5);
        auto [x4, y4] = at(300, 170);
        expectProbes(c.index, 320, 180,
                     {{4, x1, y1, kPicture},
                      {4, x2, y2, kPicture},
                      {4, x3, y3, kPicture},
                      {4, x4, y4, kPrevious},
                      {4, 160, 90, kPrevious}});
    }
    // Rectangles: p = 10; index 37 frame 4 has a = 50, index 38 frame 0 has a = 150.
    expectProbes(37, 320, 180,
                 {{4, 8, 8, kPicture},
                  {4, 311, 171, kPicture},
                  {4, 160, 90, kPrevious},
                  {4, 60, 8, kPrevious}});
    expectProbes(38, 320, 180,
                 {{0, 8, 8, kPrevious}, {0, 100, 50, kPrevious}, {0, 160, 90, kPicture}});
}

TEST_F(ShapeReveals, ArrowsPointTheirWay) {
    // 320 x 180, frame 4: the tip is half way across (160) or down (90).
    expectProbes(73, 320, 180,
                 {{4, 20, 90, kPicture},
                  {4, 100, 90, kPicture},
                  {4, 200, 90, kPrevious},
                  {4, 20, 150, kPrevious}});
    expectProbes(74, 320, 180,
                 {{4, 299, 90, kPicture}, {4, 219, 90, kPicture}, {4, 119, 90, kPrevious}});
    expectProbes(75, 320, 180, {{4, 160, 20, kPicture}, {4, 160, 130, kPrevious}});
    expectProbes(76, 320, 180, {{4, 160, 160, kPicture}, {4, 160, 50, kPrevious}});
}

TEST_F(ShapeReveals, EdgeSweepsRiseThenOpenTheFarSide) {
    // 320 x 180, frame 4: the apex is half way across; frame 12: the far side is open 48
    // pixels (or 27 for the side sweeps) on either side of its middle.
    expectProbes(77, 320, 180,
                 {{4, 160, 170, kPicture},
                  {4, 160, 60, kPrevious},
                  {12, 160, 8, kPicture},
                  {12, 20, 8, kPrevious}});
    expectProbes(78, 320, 180,
                 {{4, 160, 10, kPicture},
                  {4, 160, 120, kPrevious},
                  {12, 160, 171, kPicture},
                  {12, 20, 171, kPrevious}});
    expectProbes(79, 320, 180,
                 {{4, 10, 90, kPicture},
                  {4, 220, 90, kPrevious},
                  {12, 311, 90, kPicture},
                  {12, 311, 10, kPrevious}});
    expectProbes(80, 320, 180,
                 {{4, 309, 90, kPicture},
                  {4, 100, 90, kPrevious},
                  {12, 8, 90, kPicture},
                  {12, 8, 10, kPrevious}});
}

TEST_F(ShapeReveals, XShapesAndScansCoverTheRightParts) {
    // 320 x 180: c = 10, frame 7 has t = 80, h = 45.
    expectProbes(59, 320, 180,
                 {{7, 160, 10, kPicture},
                  {7, 10, 90, kPicture},
                  {7, 160, 90, kPrevious},
                  {7, 10, 10, kPrevious}});
    expectProbes(58, 320, 180,
                 {{7, 160, 10, kPrevious}, {7, 160, 90, kPicture}, {7, 10, 10, kPicture}});
    // Unit 16, frame 9: d = 160.
    expectProbes(64, 320, 180,
                 {{9, 20, 20, kPicture},
                  {9, 299, 159, kPicture},
                  {9, 160, 90, kPrevious},
                  {9, 280, 20, kPrevious}});
    expectProbes(65, 320, 180,
                 {{9, 20, 20, kPrevious}, {9, 160, 90, kPicture}, {9, 280, 20, kPicture}});
}

// The drawing in pieces against the whole mask drawn every frame, with pictures that differ
// everywhere so a misplaced fill pattern or a missed piece shows.
double worstPieceDifference(const MaskSequence& sequence, int width, int height) {
    auto picture = [&](const char* source) {
        velomira::Image image = newImage();
        MagickSetSize(image.get(), width, height);
        MagickReadImage(image.get(), source);
        return image;
    };
    velomira::Image fresh = picture("radial-gradient:#ff8000-#0040ff");
    velomira::Image old = picture("pattern:checkerboard");
    const bool growing = sequence.mode == MaskMode::Growing;
    velomira::Image pieces = cloneImage(growing ? old : fresh);
    velomira::Image whole = cloneImage(pieces);
    double worst = 0.0;
    MaskShapes before;
    for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
        const MaskShapes now = sequence.frame(i);
        Drawing drawing = newDrawing();
        addShapes(drawing.get(), now);
        if (!growing)
            whole = cloneImage(fresh);
        drawMask(whole.get(), drawing.get(), growing ? fresh.get() : old.get());
        const auto changed = changedPieces(now, before, width, height);
        drawMaskInPieces(pieces.get(), growing ? nullptr : fresh.get(), now,
                         growing ? fresh.get() : old.get(), changed);
        worst = std::max(worst, meanDifference(whole.get(), pieces.get()));
        before = now;
    }
    return worst;
}

TEST_F(ShapeReveals, DrawingInPiecesEqualsTheWholeMask) {
    const std::vector<int> shapes{25, 26, 51, 52, 53, 54, 55, 56, 58, 59,
                                  64, 65, 73, 74, 75, 76, 77, 78, 79, 80};
    for (auto [w, h] : {std::pair{240, 136}, {136, 240}}) {
        for (int index : shapes) {
            const MaskSequence s =
                shapeRevealMasks(index, w, h, transitionParameter(*transitionEntry(index), w, h));
            ASSERT_FALSE(s.steps.empty()) << index;
            EXPECT_LT(worstPieceDifference(s, w, h), 0.01) << index << " at " << w << "x" << h;
        }
        for (int index : {32, 33, 34, 35, 36, 57}) {
            const MaskSequence s =
                clockSweepMasks(index, w, h, transitionParameter(*transitionEntry(index), w, h));
            ASSERT_FALSE(s.steps.empty()) << index;
            EXPECT_LT(worstPieceDifference(s, w, h), 0.01) << index << " at " << w << "x" << h;
        }
    }
}

TEST_F(ShapeReveals, MaskShowsTheFillPictureAtItsOwnPosition) {
    // Every fill pixel encodes its own position; a pattern placed at the shape's bounding box
    // instead of the image origin would show other positions.
    const int w = 200, h = 120;
    std::vector<unsigned char> positions(w * h * 3, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            positions[(y * w + x) * 3] = static_cast<unsigned char>(x);
            positions[(y * w + x) * 3 + 1] = static_cast<unsigned char>(y);
        }
    velomira::Image fill = makeCanvas(w, h, "#000000");
    MagickImportImagePixels(fill.get(), 0, 0, w, h, "RGB", CharPixel, positions.data());
    velomira::Image target = makeCanvas(w, h, "#0000ff");
    Drawing drawing = newDrawing();
    addShapes(drawing.get(),
              {polygonShape({{60, 30}, {60, 110}, {180, 70}}), circleShape(40, 40, 20)});
    drawMask(target.get(), drawing.get(), fill.get());
    for (auto [x, y] : {std::pair{70, 70}, {120, 70}, {65, 40}, {40, 40}, {30, 50}})
        EXPECT_EQ(pixelAt(target.get(), x, y), (Rgb{x, y, 0})) << x << "," << y;
    EXPECT_EQ(pixelAt(target.get(), 150, 20), kPrevious);
}

TEST_F(ShapeReveals, PixelRectsTileWithoutGapsOrOverlaps) {
    // Half-open by pixel centres: neighbours sharing an edge share no column.
    const PixelRect a = pixelRect(0, 0, 22.5, 10, 100, 10);
    const PixelRect b = pixelRect(22.5, 0, 40.2, 10, 100, 10);
    EXPECT_EQ(a.x + a.width, b.x);
    EXPECT_EQ(b.x + b.width, 40);
    EXPECT_EQ(pixelRect(0, 0, 50, 28.125, 320, 180).height, 28);
    EXPECT_EQ(pixelRect(0, 180, 50, 180 - 28.125, 320, 180).height, 28);
    // Reversed corners, and rectangles beyond the frame.
    EXPECT_EQ(pixelRect(40.2, 10, 22.5, 0, 100, 10).x, b.x);
    EXPECT_TRUE(pixelRect(120, 0, 150, 10, 100, 10).empty());
    EXPECT_TRUE(pixelRect(-30, 0, -1, 10, 100, 10).empty());
}

} // namespace
} // namespace velomira::testing
