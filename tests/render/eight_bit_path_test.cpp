// Every catalogue effect drawn both ways, the imaging library's reference frames against the
// 8-bit path, frame by frame on photograph-like pictures: the same frame counts, the same last
// frame, and pixels that differ only where resampling filters differ (edges of scaled copies).
#include "album/transition_catalogue.h"
#include "effect_harness.h"
#include "render/transition_dispatch.h"
#include "render_fixture.h"

#include <string>
#include <vector>

namespace velomira::testing {
namespace {

struct FrameDifference {
    double mean = 0.0;     // levels per channel sample
    double farShare = 0.0; // pixels with a channel off by more than 8 levels
};

FrameDifference compareFrames(const std::string& a, const std::string& b) {
    FrameDifference d;
    const std::size_t pixels = a.size() / 3;
    if (a.size() != b.size() || pixels == 0)
        return {1e9, 1.0};
    std::size_t sum = 0;
    std::size_t far = 0;
    for (std::size_t p = 0; p < pixels; ++p) {
        int worst = 0;
        for (std::size_t k = 3 * p; k < 3 * p + 3; ++k) {
            const int diff =
                std::abs(static_cast<unsigned char>(a[k]) - static_cast<unsigned char>(b[k]));
            sum += static_cast<std::size_t>(diff);
            worst = std::max(worst, diff);
        }
        far += worst > 8 ? 1 : 0;
    }
    d.mean = static_cast<double>(sum) / static_cast<double>(a.size());
    d.farShare = static_cast<double>(far) / static_cast<double>(pixels);
    return d;
}

class EightBitPath : public RenderTest {};

// The effect's frames through the library (the reference) and through the 8-bit path, as raw
// pixels over a textured picture.
std::pair<EffectRender, EffectRender> renderBothPaths(EffectCase c) {
    c.textured = true;
    c.format = FrameFormat::Rgb24;
    c.libraryFrames = true;
    EffectRender reference = renderEffect(c);
    c.libraryFrames = false;
    return {std::move(reference), renderEffect(c)};
}

TEST_F(EightBitPath, EveryEffectMatchesTheLibraryFrames) {
    const auto sizes = sanitizedBuild() ? std::vector{std::pair{160, 90}, std::pair{241, 135}}
                                        : std::vector{std::pair{320, 180}, std::pair{482, 270}};
    for (auto [width, height] : sizes) {
        for (int index = 0; index <= 98; ++index) {
            if (!transitionEntry(index))
                continue;
            SCOPED_TRACE(::testing::Message()
                         << "transition " << index << " at " << width << "x" << height);
            const auto [reference, fast] = renderBothPaths(catalogueCase(index, width, height, 2));
            ASSERT_TRUE(reference.finalFrame);
            ASSERT_TRUE(fast.finalFrame);
            ASSERT_EQ(fast.sink.count(), reference.sink.count());
            // Every effect but the zoom in ends on the plain picture.
            const bool plainEnd =
                meanDifference(reference.finalFrame.get(), reference.canvas.get()) == 0.0;
            EXPECT_LE(meanDifference(fast.finalFrame.get(), reference.finalFrame.get()),
                      plainEnd ? 0.0 : 1.0);
            const int frames = fast.sink.count() - 2;
            for (int i = 0; i < frames; ++i) {
                const FrameDifference d = compareFrames(fast.sink.deliveries()[i].bytes,
                                                        reference.sink.deliveries()[i].bytes);
                // A last frame that shows the plain picture is exactly the picture.
                if (i + 1 == frames &&
                    meanDifference(reference.finalFrame.get(), reference.canvas.get()) == 0.0) {
                    EXPECT_EQ(d.mean, 0.0) << "the last frame is not the picture";
                    continue;
                }
                EXPECT_LE(d.mean, 1.0) << "frame " << i;
                EXPECT_LE(d.farShare, 0.005) << "frame " << i;
            }
        }
    }
}

// Masks whose coverage the 8-bit path computes itself (sectors, convex polygons, discs) at odd
// sizes, where the circle of the sweeps crosses the frame and edges fall between pixels.
TEST_F(EightBitPath, ComputedMasksMatchTheLibraryAtOddSizes) {
    for (auto [width, height] : {std::pair{41, 23}, std::pair{9, 7}, std::pair{23, 41}}) {
        for (int index : {25, 26, 32, 33, 34, 35, 36, 37, 38, 51, 54, 55, 56, 57, 58, 59, 73, 76}) {
            SCOPED_TRACE(::testing::Message()
                         << "transition " << index << " at " << width << "x" << height);
            const auto [reference, fast] = renderBothPaths(catalogueCase(index, width, height, 0));
            ASSERT_EQ(fast.sink.count(), reference.sink.count());
            for (int i = 0; i < fast.sink.count(); ++i) {
                const FrameDifference d = compareFrames(fast.sink.deliveries()[i].bytes,
                                                        reference.sink.deliveries()[i].bytes);
                // A frame of 63 pixels may have two off at the tip of a thin shape.
                EXPECT_LE(d.mean, 1.0) << "frame " << i;
                EXPECT_LE(d.farShare, 0.05) << "frame " << i;
            }
        }
    }
}

// A picture with transparency is drawn by the imaging library in every family, as before.
TEST_F(EightBitPath, PictureWithTransparencyKeepsTheLibraryFrames) {
    for (int index : {25, 37, 21, 95, 27, 39, 0, 5, 66, 89, 45, 61, 31, 32, 49}) {
        SCOPED_TRACE(::testing::Message() << "transition " << index);
        EffectCase c = catalogueCase(index, 160, 90, 2);
        c.textured = true;
        c.transparentPicture = true;
        c.format = FrameFormat::Rgb24;
        c.libraryFrames = true;
        const EffectRender reference = renderEffect(c);
        c.libraryFrames = false;
        const EffectRender fast = renderEffect(c);
        ASSERT_TRUE(fast.finalFrame);
        ASSERT_EQ(fast.sink.count(), reference.sink.count());
        for (int i = 0; i < fast.sink.count(); ++i)
            EXPECT_EQ(fast.sink.deliveries()[i].bytes, reference.sink.deliveries()[i].bytes)
                << "delivery " << i;
    }
}

// Frames coded on four threads reach the sink as one thread delivers them: the same bytes in
// the same order; a delivery that fails midway ends the effect with nothing delivered after it.
TEST_F(EightBitPath, FramesCodedInParallelArriveInOrder) {
    struct Case {
        int index;
        int width;
        int height;
        FrameFormat format;
    };
    // A family each: mask, rectangles, wipe, slide, zoom, spin, swing, fade; odd and large sizes.
    const Case cases[] = {
        {25, 482, 270, FrameFormat::Jpeg},   {37, 1920, 1080, FrameFormat::Yuv420p},
        {21, 2, 2, FrameFormat::Jpeg},       {27, 1, 1000, FrameFormat::Rgb24},
        {0, 482, 270, FrameFormat::Yuv420p}, {45, 482, 270, FrameFormat::Jpeg},
        {61, 482, 270, FrameFormat::Rgb24},  {31, 1920, 1080, FrameFormat::Jpeg},
    };
    for (Case k : cases) {
        if (sanitizedBuild() && k.width * k.height > 482 * 270) {
            k.width = 482;
            k.height = 270;
        }
        SCOPED_TRACE(::testing::Message()
                     << "transition " << k.index << " at " << k.width << "x" << k.height);
        EffectCase c = catalogueCase(k.index, k.width, k.height, 2);
        c.textured = true;
        c.format = k.format;
        c.codingThreads = 1;
        const EffectRender inLine = renderEffect(c);
        c.codingThreads = 4;
        const EffectRender parallel = renderEffect(c);
        ASSERT_TRUE(parallel.finalFrame);
        ASSERT_EQ(parallel.sink.count(), inLine.sink.count());
        for (int i = 0; i < parallel.sink.count(); ++i)
            EXPECT_EQ(parallel.sink.deliveries()[i].bytes, inLine.sink.deliveries()[i].bytes)
                << "delivery " << i;

        const int failAt = std::max(1, parallel.sink.count() / 2);
        const EffectRender stopped = renderEffect(c, failAt);
        EXPECT_FALSE(stopped.finalFrame);
        ASSERT_EQ(stopped.sink.count(), failAt);
        for (int i = 0; i + 1 < failAt; ++i)
            EXPECT_EQ(stopped.sink.deliveries()[i].bytes, inLine.sink.deliveries()[i].bytes);
    }
}

} // namespace
} // namespace velomira::testing
