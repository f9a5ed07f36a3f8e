// Slides, pushes and flies: the contract of every effect, frame counts, and pixel probes that
// catch a wrong direction, a wrong corner or an edge one pixel off.
#include "effect_harness.h"
#include "render/transition_dispatch.h"
#include "render/transitions/slide_transitions.h"
#include "render_fixture.h"
#include "support/picture_files.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace velomira::testing {
namespace {

// Grey shades, far enough apart to tell after JPEG and without any chroma to smear.
struct Shade {
    char name;
    int level;
};
constexpr Shade kShades[] = {{'K', 0}, {'a', 60}, {'b', 120}, {'c', 180}, {'d', 240}};

std::string hexOf(char name) {
    for (const Shade& s : kShades) {
        if (s.name == name) {
            char text[8];
            std::snprintf(text, sizeof text, "#%02x%02x%02x", s.level, s.level, s.level);
            return text;
        }
    }
    return "#ff00ff";
}

char shadeAt(MagickWand* frame, long x, long y) {
    const Rgb p = pixelAt(frame, x, y);
    const int grey = (p.red + p.green + p.blue) / 3;
    char best = '?';
    int bestDistance = 1 << 30;
    for (const Shade& s : kShades) {
        if (std::abs(grey - s.level) < bestDistance) {
            bestDistance = std::abs(grey - s.level);
            best = s.name;
        }
    }
    return best;
}

struct Point {
    long x;
    long y;
};

// A picture whose first half (left, or top when !acrossWidth) and second half differ.
velomira::Image halves(int width, int height, bool acrossWidth, char first, char second) {
    velomira::Image picture = makeCanvas(width, height, hexOf(first));
    velomira::Image half = acrossWidth ? makeCanvas(width - width / 2, height, hexOf(second))
                                       : makeCanvas(width, height - height / 2, hexOf(second));
    MagickCompositeImage(picture.get(), half.get(), OverCompositeOp, acrossWidth ? width / 2 : 0,
                         acrossWidth ? 0 : height / 2);
    return picture;
}

// A picture with four quarters of the shades upper left, upper right, lower left, lower right.
velomira::Image quarters(int width, int height, const char shades[4]) {
    velomira::Image picture = makeCanvas(width, height, hexOf(shades[0]));
    const int hw = width / 2, hh = height / 2;
    const Point at[3] = {{hw, 0}, {0, hh}, {hw, hh}};
    for (int i = 0; i < 3; ++i) {
        velomira::Image part =
            makeCanvas(at[i].x ? width - hw : hw, at[i].y ? height - hh : hh, hexOf(shades[i + 1]));
        MagickCompositeImage(picture.get(), part.get(), OverCompositeOp, at[i].x, at[i].y);
    }
    return picture;
}

struct SlideRun {
    RecordingSink sink;
    velomira::Image finalFrame;
};

// Runs the catalogue effect on the given pictures (previous may be none) and checks that the
// picture canvas came back untouched.
SlideRun runEffect(int index, int width, int height, velomira::Image picture,
                   velomira::Image previous, int stillFrames = 2) {
    SlideRun run;
    velomira::Image untouched = cloneImage(picture);
    EffectInputs in;
    in.width = width;
    in.height = height;
    in.pictureCanvas = &picture;
    in.stillFrames = stillFrames;
    in.previousFrame = std::move(previous);
    in.sink = &run.sink;
    run.finalFrame =
        transitionEffect(index)(in, transitionParameter(*transitionEntry(index), width, height));
    EXPECT_EQ(meanDifference(untouched.get(), picture.get()), 0.0) << "the canvas was changed";
    return run;
}

std::string shadesOf(const SlideRun& run, int frame, const std::vector<Point>& points) {
    velomira::Image image = decodeDelivery(run.sink, frame);
    if (!image)
        return "<no frame>";
    std::string out;
    for (const Point& p : points)
        out += shadeAt(image.get(), p.x, p.y);
    return out;
}

class SlideTransitions : public RenderTest {};

TEST_F(SlideTransitions, PushesKeepTheContract) {
    for (int index : {27, 28, 29, 30})
        expectCatalogueEffect(index);
}

TEST_F(SlideTransitions, SlideOutsKeepTheContract) {
    for (int index : {69, 70, 71, 72})
        expectCatalogueEffect(index);
}

TEST_F(SlideTransitions, SlideInsKeepTheContract) {
    for (int index : {85, 86, 87, 88})
        expectCatalogueEffect(index);
}

TEST_F(SlideTransitions, FliesKeepTheContract) {
    for (int index : {39, 40})
        expectCatalogueEffect(index);
}

TEST_F(SlideTransitions, FrameCountsFollowTheSteps) {
    struct Expected {
        int index, width, height, frames;
    };
    const Expected cases[] = {
        // Slides: t = 1280/17 = 75 made 76; 1280 is no multiple of 76.
        {69, 1280, 720, 17},
        {85, 1280, 720, 17},
        // Portrait: t = 42 across 720, 56 down 960.
        {69, 720, 960, 18},
        {85, 720, 960, 18},
        {71, 720, 960, 18},
        {87, 720, 960, 18},
        // 544 = 17 x 32: the slide out drops the frame that would not move at all.
        {70, 544, 306, 17},
        {86, 544, 306, 17},
        // Pushes: ceil(E / step).
        {27, 1000, 562, 17},
        {28, 1024, 576, 16},
        {29, 720, 960, 16},
        {30, 1000, 562, 17},
        // Flies: p = 40 at 1280 (1280 a multiple of 80); p = 22 at 720; 1260/32 = 39 made 38.
        {39, 1280, 720, 16},
        {40, 1280, 720, 16},
        {39, 720, 960, 17},
        {40, 720, 960, 17},
        {39, 1260, 720, 17},
        {40, 1260, 720, 17},
        // Tiny frames still end: steps of 0 become 1.
        {69, 30, 20, 15},
        {85, 2, 2, 2},
        {27, 2, 2, 2},
        {39, 30, 20, 15},
        {40, 30, 20, 15},
    };
    for (const Expected& e : cases)
        EXPECT_EQ(transitionFrames(e.index, e.width, e.height), e.frames)
            << "index " << e.index << " at " << e.width << "x" << e.height;
}

// Probes along the line through the middle of the frame, across the motion. The new picture
// has halves d|c, the previous one b|a (left|right, or top|bottom for vertical motion).
struct StripCase {
    int index;
    int frame;
    std::vector<int> at;
    std::string expected;
};

void expectStrips(bool horizontal, const std::vector<StripCase>& cases) {
    const int width = horizontal ? 1280 : 720, height = horizontal ? 720 : 960;
    for (const StripCase& c : cases) {
        SlideRun run =
            runEffect(c.index, width, height, halves(width, height, horizontal, 'd', 'c'),
                      halves(width, height, horizontal, 'b', 'a'));
        std::vector<Point> points;
        for (int u : c.at)
            points.push_back(horizontal ? Point{u, height / 2} : Point{width / 2, u});
        EXPECT_EQ(shadesOf(run, c.frame, points), c.expected)
            << "index " << c.index << " frame " << c.frame;
    }
}

TEST_F(SlideTransitions, SlideOutMovesThePreviousPictureAwayTowardsTheNamedSide) {
    expectStrips(true, {
                           // Previous picture at x = 64, then at 1204; then the plain picture.
                           {69, 0, {63, 64, 703, 704, 1279}, "dbbaa"},
                           {69, 15, {1203, 1204, 1279}, "cbb"},
                           {69, 16, {0, 1279}, "dc"},
                           // Previous picture at x = -64, then at -1204.
                           {70, 0, {0, 575, 576, 1215, 1216}, "bbaac"},
                           {70, 15, {75, 76}, "ad"},
                       });
    expectStrips(false, {
                            // t = 56: previous picture at y = 8, then at 904.
                            {71, 0, {7, 8, 487, 488}, "dbba"},
                            {71, 16, {903, 904}, "cb"},
                            {71, 17, {0, 959}, "dc"},
                            {72, 0, {0, 471, 472, 951, 952}, "bbaac"},
                        });
}

TEST_F(SlideTransitions, SlideInBringsTheNewPictureFromTheNamedSide) {
    expectStrips(true, {
                           // New picture at x = -1204, then -64; then alone.
                           {85, 0, {75, 76}, "cb"},
                           {85, 15, {0, 575, 576, 1215, 1216}, "ddcca"},
                           {85, 16, {0, 1279}, "dc"},
                           // New picture at x = 1204, then 64.
                           {86, 0, {1203, 1204}, "ad"},
                           {86, 15, {63, 64, 703, 704}, "bddc"},
                       });
    expectStrips(false, {
                            // New picture at y = -904, then -8.
                            {87, 0, {55, 56}, "cb"},
                            {87, 16, {471, 472, 951, 952}, "dcca"},
                            {87, 17, {0, 959}, "dc"},
                            // New picture at y = 904, then 8.
                            {88, 0, {903, 904}, "ad"},
                            {88, 16, {7, 8, 487, 488}, "bddc"},
                        });
}

TEST_F(SlideTransitions, PushMovesBothPicturesTogether) {
    expectStrips(true, {
                           // s = 80: the new picture's last 80 columns, the previous moved by 80.
                           {27, 0, {79, 80, 719, 720, 1279}, "cbbaa"},
                           {27, 14, {0, 559, 560, 1199, 1200}, "ddccb"},
                           {27, 15, {0, 1279}, "dc"},
                           // The previous picture leaves on the left, the new one follows.
                           {28, 0, {0, 559, 560, 1199, 1200}, "bbaad"},
                           {28, 14, {79, 80, 719, 720}, "addc"},
                       });
    expectStrips(false, {
                            // step H/16 = 60.
                            {29, 0, {59, 60, 539, 540}, "cbba"},
                            {30, 0, {0, 419, 420, 899, 900}, "bbaad"},
                            {30, 15, {0, 959}, "dc"},
                        });
}

TEST_F(SlideTransitions, FirstPictureOfARunMovesBlack) {
    {
        SlideRun run =
            runEffect(28, 1280, 720, makeCanvas(1280, 720, hexOf('d')), velomira::Image());
        EXPECT_EQ(shadesOf(run, 0, {{0, 360}, {1199, 360}, {1200, 360}}), "KKd");
        EXPECT_TRUE(run.finalFrame);
    }
    {
        SlideRun run =
            runEffect(85, 1280, 720, makeCanvas(1280, 720, hexOf('d')), velomira::Image());
        EXPECT_EQ(shadesOf(run, 0, {{75, 360}, {76, 360}}), "dK");
    }
    {
        SlideRun run = runEffect(72, 720, 960, makeCanvas(720, 960, hexOf('d')), velomira::Image());
        EXPECT_EQ(shadesOf(run, 0, {{360, 951}, {360, 952}}), "Kd");
    }
}

TEST_F(SlideTransitions, PicturesWithAnAlphaChannelMoveTheSameWay) {
    // An opaque alpha channel takes the composite path instead of the pixel copy.
    auto withAlpha = [](velomira::Image image) {
        MagickSetImageAlphaChannel(image.get(), OpaqueAlphaChannel);
        return image;
    };
    {
        SlideRun run = runEffect(69, 1280, 720, halves(1280, 720, true, 'd', 'c'),
                                 withAlpha(halves(1280, 720, true, 'b', 'a')));
        EXPECT_EQ(shadesOf(run, 0, {{63, 360}, {64, 360}, {703, 360}, {704, 360}}), "dbba");
    }
    {
        SlideRun run = runEffect(86, 1280, 720, halves(1280, 720, true, 'd', 'c'),
                                 withAlpha(halves(1280, 720, true, 'b', 'a')));
        EXPECT_EQ(shadesOf(run, 15, {{63, 360}, {64, 360}, {703, 360}, {704, 360}}), "bddc");
        EXPECT_EQ(shadesOf(run, 16, {{0, 360}, {1279, 360}}), "dc");
    }
}

TEST_F(SlideTransitions, FlyInGathersTheNewQuartersFromTheCorners) {
    const char newQuarters[4] = {'a', 'b', 'c', 'd'};
    SlideRun run = runEffect(39, 1280, 720, quarters(1280, 720, newQuarters),
                             makeCanvas(1280, 720, hexOf('K')));
    ASSERT_EQ(run.sink.count(), 16 + 2);
    // w = 40: 40 x 22 pieces; the lower ones at y = trunc(720 - 22.5) = 697.
    EXPECT_EQ(shadesOf(run, 0,
                       {{0, 0},
                        {39, 0},
                        {40, 0},
                        {0, 21},
                        {0, 22},
                        {1239, 0},
                        {1240, 0},
                        {1279, 0},
                        {0, 696},
                        {0, 697},
                        {1279, 697},
                        {640, 360}}),
              "aaKaKKbbKcdK");
    // w = 600: 600 x 337 pieces, a gap of 80 columns and 45 rows in the middle.
    EXPECT_EQ(shadesOf(run, 14,
                       {{599, 0},
                        {600, 0},
                        {679, 0},
                        {680, 0},
                        {0, 336},
                        {0, 337},
                        {0, 381},
                        {0, 382},
                        {1279, 719},
                        {640, 360}}),
              "aKKbaKKcdK");
    EXPECT_EQ(shadesOf(run, 15, {{640, 360}, {0, 0}, {1279, 719}}), "dad");
}

TEST_F(SlideTransitions, FlyOutSendsThePreviousQuartersToTheCorners) {
    const char oldQuarters[4] = {'a', 'b', 'c', 'd'};
    SlideRun run = runEffect(40, 1280, 720, makeCanvas(1280, 720, hexOf('K')),
                             quarters(1280, 720, oldQuarters));
    ASSERT_EQ(run.sink.count(), 16 + 2);
    // w = 600 first.
    EXPECT_EQ(shadesOf(run, 0,
                       {{599, 0},
                        {600, 0},
                        {680, 0},
                        {0, 336},
                        {0, 337},
                        {0, 382},
                        {1279, 381},
                        {1279, 382},
                        {640, 360}}),
              "aKbaKcKdK");
    // w = 40 last: nothing of the larger pieces stays behind.
    EXPECT_EQ(
        shadesOf(
            run, 14,
            {{39, 0}, {40, 0}, {1239, 0}, {1240, 0}, {0, 696}, {0, 697}, {1279, 718}, {599, 0}}),
        "aKKbKcdK");
    EXPECT_EQ(shadesOf(run, 15, {{0, 0}, {1279, 719}}), "KK");
}

} // namespace
} // namespace velomira::testing
