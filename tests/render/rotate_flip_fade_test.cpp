// Rotations, perspective flips and the cross-fade: the catalogue contract, frame counts, and
// pixel probes for the fading opacities, the turning direction, the hinge side, and the
// transparent surroundings of the turning picture (no black or white wedges).
#include "effect_harness.h"
#include "render/transition_dispatch.h"
#include "render/transitions/rotate_flip_fade.h"
#include "render_fixture.h"
#include "support/picture_files.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace velomira::testing {
namespace {

const Rgb kBlue{0, 0, 255};
const Rgb kBlack{0, 0, 0};
const Rgb kRed{255, 0, 0};

class RotateFlipFade : public RenderTest {};

// A canvas in two colours: `first` on the left (top when `stacked`), `second` on the other half.
velomira::Image halves(int width, int height, const char* first, const char* second, bool stacked) {
    velomira::Image canvas = makeCanvas(width, height, first);
    velomira::Image half = stacked ? makeCanvas(width, height - height / 2, second)
                                   : makeCanvas(width - width / 2, height, second);
    MagickCompositeImage(canvas.get(), half.get(), OverCompositeOp, stacked ? 0 : width / 2,
                         stacked ? height / 2 : 0);
    return canvas;
}

// Renders catalogue effect `index` from `previous` (none: the first picture of a run) to
// `picture`, with no still frames, into the sink.
void render(int index, int step, const velomira::Image& picture, velomira::Image previous,
            RecordingSink& sink) {
    EffectInputs in;
    in.width = static_cast<int>(MagickGetImageWidth(picture.get()));
    in.height = static_cast<int>(MagickGetImageHeight(picture.get()));
    in.pictureCanvas = &picture;
    in.previousFrame = std::move(previous);
    in.sink = &sink;
    EffectParameter parameter;
    parameter.step = step;
    velomira::Image result = transitionEffect(index)(in, parameter);
    EXPECT_TRUE(result);
}

Rgb probe(const RecordingSink& sink, int frame, long x, long y) {
    velomira::Image image = decodeDelivery(sink, frame);
    return image ? pixelAt(image.get(), x, y) : Rgb{-1, -1, -1};
}

// Which half of a red/green picture a probe shows, however faintly it is laid over blue.
bool reddish(const Rgb& c) {
    return c.red > c.green + 20;
}
bool greenish(const Rgb& c) {
    return c.green > c.red + 20;
}

int countOf(int index, int width, int height, int step, int stillFrames) {
    EffectCase c;
    c.effect = transitionEffect(index);
    c.width = width;
    c.height = height;
    c.parameter.step = step;
    c.stillFrames = stillFrames;
    return countFrames(c);
}

TEST_F(RotateFlipFade, LookupKnowsExactlyItsIndexes) {
    for (int index = -1; index <= 100; ++index) {
        const bool mine =
            index == 31 || (index >= 45 && index <= 48) || (index >= 60 && index <= 63);
        const TransitionDispatchEntry* entry = transitionEntry(index);
        EXPECT_EQ(entry != nullptr && entry->family == TransitionFamily::RotateFlipFade, mine)
            << index;
    }
}

TEST_F(RotateFlipFade, CrossFadeKeepsTheContract) {
    expectCatalogueEffect(31);
}

TEST_F(RotateFlipFade, SpinsKeepTheContract) {
    for (int index = 45; index <= 48; ++index)
        expectCatalogueEffect(index);
}

TEST_F(RotateFlipFade, FlipsKeepTheContract) {
    for (int index = 60; index <= 63; ++index)
        expectCatalogueEffect(index);
}

TEST_F(RotateFlipFade, CrossFadeFrameCountFollowsTheStep) {
    EXPECT_EQ(countOf(31, 1280, 720, 6, 0), 17);
    EXPECT_EQ(countOf(31, 1280, 720, 6, 50), 67);
    // Outside 1..20 the step is 6.
    for (int step : {0, 21, -6, 1000})
        EXPECT_EQ(countOf(31, 64, 48, step, 0), 17) << step;
    EXPECT_EQ(countOf(31, 64, 48, 20, 0), 5);  // 80, 60, 40, 20, then the picture
    EXPECT_EQ(countOf(31, 64, 48, 7, 0), 15);  // 93 .. 2, then the picture
    EXPECT_EQ(countOf(31, 64, 48, 1, 0), 100); // 99 .. 1, then the picture
}

TEST_F(RotateFlipFade, SpinsAndFlipsTakeFixedCountsAtEverySize) {
    for (auto [w, h] : {std::pair{1280, 720}, {720, 960}, {30, 20}, {2, 2}, {1, 1}}) {
        for (int index : {45, 46, 47, 48})
            EXPECT_EQ(countOf(index, w, h, 0, 4), 24) << index << " at " << w << "x" << h;
        for (int index : {60, 61, 62, 63})
            EXPECT_EQ(countOf(index, w, h, 0, -3), 18) << index << " at " << w << "x" << h;
    }
}

TEST_F(RotateFlipFade, CrossFadeLaysThePreviousFrameOverAtFallingOpacity) {
    const velomira::Image picture = makeCanvas(64, 48, "#ff0000");
    RecordingSink sink;
    render(31, 6, picture, makeCanvas(64, 48, "#0000ff"), sink);
    ASSERT_EQ(sink.count(), 17);
    EXPECT_TRUE(near(probe(sink, 0, 30, 20), {15, 0, 240}, 4));  // previous at 0.94
    EXPECT_TRUE(near(probe(sink, 1, 30, 20), {31, 0, 224}, 4));  // 0.88
    EXPECT_TRUE(near(probe(sink, 15, 30, 20), {245, 0, 10}, 4)); // 0.04
    EXPECT_TRUE(near(probe(sink, 16, 30, 20), kRed, 4));

    RecordingSink coarse;
    render(31, 20, picture, makeCanvas(64, 48, "#0000ff"), coarse);
    ASSERT_EQ(coarse.count(), 5);
    EXPECT_TRUE(near(probe(coarse, 0, 5, 5), {51, 0, 204}, 4)); // 0.80

    RecordingSink first; // the first picture of a run fades in from black
    render(31, 6, picture, velomira::Image(), first);
    EXPECT_TRUE(near(probe(first, 0, 30, 20), {15, 0, 0}, 4));
}

// A photograph-like picture: a gradient with noise, so a blend meets many sample values.
velomira::Image noisyPicture(int width, int height, const char* gradient) {
    velomira::Image picture = newImage();
    MagickSetSize(picture.get(), static_cast<std::size_t>(width), static_cast<std::size_t>(height));
    MagickReadImage(picture.get(), gradient);
    MagickAddNoiseImage(picture.get(), GaussianNoise);
    return picture;
}

std::vector<unsigned char> rgbOfImage(MagickWand* image) {
    const std::size_t w = MagickGetImageWidth(image), h = MagickGetImageHeight(image);
    std::vector<unsigned char> rgb(3 * w * h);
    MagickExportImagePixels(image, 0, 0, w, h, "RGB", CharPixel, rgb.data());
    return rgb;
}

int largestDifference(const std::vector<unsigned char>& a, const std::string& b) {
    if (a.size() != b.size())
        return 256;
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        largest = std::max(largest, std::abs(int(a[i]) - int(static_cast<unsigned char>(b[i]))));
    return largest;
}

// Each raw frame of the cross-fade against the library's own composite of the previous frame
// at the opacity of that frame over the picture, and against the rounded blend in whole percent.
TEST_F(RotateFlipFade, CrossFadeFramesMatchTheLibrarysComposite) {
    struct Case {
        int width, height, step;
        bool first;        // fades in from black
        bool pictureAlpha; // a picture with an (opaque) alpha channel
        bool caption;
    };
    const Case cases[] = {
        {160, 90, 6, false, false, false}, {161, 91, 7, false, false, false},
        {160, 90, 20, false, false, true}, {96, 54, 0, true, false, false},
        {2, 2, 13, false, false, false},   {64, 36, 6, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " step " << c.step);
        const velomira::Image picture = noisyPicture(c.width, c.height, "gradient:#204080-#f0e0a0");
        if (c.pictureAlpha)
            MagickSetImageAlphaChannel(picture.get(), ActivateAlphaChannel);
        const velomira::Image previous =
            c.first ? makeCanvas(c.width, c.height, "#000000")
                    : noisyPicture(c.width, c.height, "gradient:#ff2000-#0030ff");
        CaptionOverlay caption{makeCanvas(8, 4, "#ffffff"), 1.0, 1.0, 0};
        RecordingSink sink;
        EffectInputs in;
        in.width = c.width;
        in.height = c.height;
        in.pictureCanvas = &picture;
        in.previousFrame = c.first ? velomira::Image() : cloneImage(previous);
        in.caption = c.caption ? &caption : nullptr;
        in.stillFrames = 4;
        in.sink = &sink;
        in.format = FrameFormat::Rgb24;
        EffectParameter parameter;
        parameter.step = c.step;
        const velomira::Image result = transitionEffect(31)(in, parameter);
        ASSERT_TRUE(result);

        std::vector<int> levels; // the previous frame's opacity in percent, frame by frame
        for (int e = c.step >= 1 && c.step <= 20 ? c.step : 6, d = 100 - e;; d -= e) {
            e = std::min(e, d);
            levels.push_back(d);
            if (d == 0)
                break;
        }
        ASSERT_EQ(sink.count(), static_cast<int>(levels.size()) + 4);
        const std::vector<unsigned char> over = rgbOfImage(previous.get());
        const std::vector<unsigned char> under = rgbOfImage(picture.get());
        for (std::size_t i = 0; i < levels.size(); ++i) {
            velomira::Image expected = cloneImage(picture);
            velomira::Image laid = cloneImage(previous);
            if (levels[i] > 1) {
                MagickSetImageOpacity(laid.get(), levels[i] / 100.0);
                MagickCompositeImage(expected.get(), laid.get(), OverCompositeOp, 0, 0);
            }
            const std::string& frame = sink.deliveries()[i].bytes;
            EXPECT_LE(largestDifference(rgbOfImage(expected.get()), frame), 1) << "frame " << i;
            std::vector<unsigned char> rounded(under);
            for (std::size_t k = 0; k < rounded.size() && levels[i] > 1; ++k)
                rounded[k] = static_cast<unsigned char>(
                    (over[k] * levels[i] + under[k] * (100 - levels[i]) + 50) / 100);
            if (!c.pictureAlpha) {
                EXPECT_EQ(largestDifference(rounded, frame), 0) << "frame " << i;
            }
        }
        EXPECT_EQ(largestDifference(under, sink.deliveries()[levels.size() - 1].bytes), 0);
        EXPECT_EQ(rgbOfImage(result.get()), under) << "the next picture starts from the picture";
        const std::string& firstStill = sink.deliveries()[levels.size()].bytes;
        EXPECT_EQ(largestDifference(under, firstStill) == 0, !c.caption) << "caption fade-in";
    }
}

// Frame 2 of the growing spins on 400 x 400 shows a 60 x 60 copy turned by 54 degrees (45) or
// 306 degrees (46); frame 15 of the shrinking ones an 80 x 80 copy turned by 288 (47) or 72
// (48). A turn between 0 and 180 degrees clockwise lifts the left half above the centre.
TEST_F(RotateFlipFade, SpinsTurnTheWayTheirNamesSay) {
    struct Case {
        int index;
        int frame;
        bool leftHalfAbove;
    };
    for (const Case& c :
         {Case{45, 2, true}, Case{46, 2, false}, Case{47, 15, false}, Case{48, 15, true}}) {
        SCOPED_TRACE(c.index);
        const bool grow = c.index <= 46;
        velomira::Image twoTone = halves(400, 400, "#ff0000", "#00ff00", false);
        velomira::Image blue = makeCanvas(400, 400, "#0000ff");
        RecordingSink sink;
        if (grow)
            render(c.index, 0, twoTone, std::move(blue), sink);
        else
            render(c.index, 0, blue, std::move(twoTone), sink);
        ASSERT_EQ(sink.count(), 20);
        const Rgb above = probe(sink, c.frame, 200, 180);
        const Rgb below = probe(sink, c.frame, 200, 220);
        EXPECT_EQ(reddish(above), c.leftHalfAbove);
        EXPECT_EQ(greenish(above), !c.leftHalfAbove);
        EXPECT_EQ(reddish(below), !c.leftHalfAbove);
        EXPECT_EQ(greenish(below), c.leftHalfAbove);
        // Inside the turned copy's bounding box but off the picture: what lies underneath.
        EXPECT_TRUE(near(probe(sink, c.frame, 163, 163), kBlue, 10));
        EXPECT_TRUE(near(probe(sink, c.frame, 20, 380), kBlue, 10));
    }
}

TEST_F(RotateFlipFade, GrowingSpinStartsSmallAndEndsWithClearCorners) {
    const velomira::Image picture = makeCanvas(1280, 720, "#ff0000");
    RecordingSink sink;
    render(45, 0, picture, makeCanvas(1280, 720, "#0000ff"), sink);
    ASSERT_EQ(sink.count(), 20);
    // First frame: a 64 x 36 copy at 18 degrees and opacity 0.1 in the centre.
    EXPECT_TRUE(near(probe(sink, 0, 640, 360), {25, 0, 230}, 6));
    EXPECT_TRUE(near(probe(sink, 0, 620, 360), {25, 0, 230}, 6));
    EXPECT_TRUE(near(probe(sink, 0, 596, 360), kBlue, 6));
    // 19th frame: 1216 x 684 at full opacity, turned by 342 degrees; all four frame corners
    // lie off the turned picture and show the previous frame, not the rotation's fill.
    EXPECT_TRUE(near(probe(sink, 18, 640, 360), kRed, 6));
    for (auto [x, y] : {std::pair{3L, 3L}, {1276L, 3L}, {3L, 716L}, {1276L, 716L}})
        EXPECT_TRUE(near(probe(sink, 18, x, y), kBlue, 10)) << x << "," << y;
}

TEST_F(RotateFlipFade, FirstPictureSpinsOverBlack) {
    const velomira::Image picture = makeCanvas(400, 400, "#ff0000");
    RecordingSink sink;
    render(46, 0, picture, velomira::Image(), sink);
    ASSERT_EQ(sink.count(), 20);
    EXPECT_TRUE(near(probe(sink, 2, 163, 163), kBlack, 6));
    EXPECT_TRUE(near(probe(sink, 2, 200, 200), {51, 0, 0}, 6)); // opacity 0.2 over black
}

// Frame 8 (k = 9) on 320 x 180: the moving edge lies about halfway (x 180 for 60, 140 for 61;
// y 101 for 62, 78 for 63). Probes in fractions of the frame: near the hinge, just inside the
// moving edge, beyond it, and beside the short moving edge (off the picture).
TEST_F(RotateFlipFade, FlipsSwingInAroundTheirHinge) {
    struct Probe {
        double x;
        double y;
        char shows; // 'f' first half of the picture, 's' second half, 'b' what lies beneath
    };
    struct Case {
        int index;
        bool stacked;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases = {
        {60, false, {{0.02, 0.5, 'f'}, {0.53, 0.5, 's'}, {0.78, 0.5, 'b'}, {0.53, 0.03, 'b'}}},
        {61, false, {{0.98, 0.5, 's'}, {0.47, 0.5, 'f'}, {0.22, 0.5, 'b'}, {0.47, 0.97, 'b'}}},
        {62, true, {{0.5, 0.03, 'f'}, {0.5, 0.53, 's'}, {0.5, 0.83, 'b'}, {0.03, 0.53, 'b'}}},
        {63, true, {{0.5, 0.97, 's'}, {0.5, 0.47, 'f'}, {0.5, 0.17, 'b'}, {0.97, 0.47, 'b'}}},
    };
    constexpr int kW = 320;
    constexpr int kH = 180;
    for (const Case& c : cases) {
        for (bool first : {false, true}) {
            SCOPED_TRACE(::testing::Message() << c.index << (first ? " from black" : ""));
            const velomira::Image picture = halves(kW, kH, "#ff0000", "#00ff00", c.stacked);
            RecordingSink sink;
            render(c.index, 0, picture, first ? velomira::Image() : makeCanvas(kW, kH, "#0000ff"),
                   sink);
            ASSERT_EQ(sink.count(), 18);
            for (const Probe& p : c.probes) {
                const Rgb got =
                    probe(sink, 8, static_cast<long>(p.x * kW), static_cast<long>(p.y * kH));
                SCOPED_TRACE(::testing::Message() << p.x << "," << p.y << " shows " << got.red
                                                  << " " << got.green << " " << got.blue);
                if (p.shows == 'f')
                    EXPECT_TRUE(near(got, kRed, 12));
                else if (p.shows == 's')
                    EXPECT_TRUE(near(got, {0, 255, 0}, 12));
                else
                    EXPECT_TRUE(near(got, first ? kBlack : kBlue, 12));
            }
        }
    }
}

// The flip draws over the previous frame from frame to frame: where no step of the swing has
// reached, the previous frame stays untouched until the picture takes over.
TEST_F(RotateFlipFade, FlipLeavesTheFarSideUntilTheLastFrame) {
    const velomira::Image picture = makeCanvas(320, 180, "#ff0000");
    RecordingSink sink;
    render(60, 0, picture, makeCanvas(320, 180, "#0000ff"), sink);
    ASSERT_EQ(sink.count(), 18);
    EXPECT_TRUE(near(probe(sink, 0, 316, 90), kBlue, 10));
    EXPECT_TRUE(near(probe(sink, 16, 316, 2), kBlue, 10));
    EXPECT_TRUE(near(probe(sink, 16, 300, 90), kRed, 10));
    EXPECT_TRUE(near(probe(sink, 17, 316, 2), kRed, 10));
}

} // namespace
} // namespace velomira::testing
