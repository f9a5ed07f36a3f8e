// The shared frame loop, the still hold with the caption fade-in, the no-transition effect
// and the dispatch by index.
#include "effect_harness.h"
#include "render/folder_sink.h"
#include "render/transition_dispatch.h"
#include "render/transitions/no_transition.h"
#include "render_fixture.h"
#include "support/picture_files.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <sys/stat.h>

namespace velomira::testing {
namespace {

// A small wipe built on the shared loop, standing in for a family effect: four steps from
// the left, each revealing another quarter of the picture over the previous frame.
velomira::Image testWipe(EffectInputs& in, const EffectParameter&) {
    std::vector<int> widths;
    for (int s = in.width / 4; s < in.width; s += std::max(1, in.width / 4))
        widths.push_back(s);
    widths.push_back(in.width);
    velomira::Image base;
    auto draw = [&](std::size_t i, FrameCanvas&) -> MagickWand* {
        if (!base)
            base = takeBaseFrame(in);
        velomira::Image strip = clonePictureCanvas(in);
        MagickCropImage(strip.get(), widths[i], in.height, 0, 0);
        MagickCompositeImage(base.get(), strip.get(), OverCompositeOp, 0, 0);
        return base.get();
    };
    return playTransition(in, widths.size(), draw, base);
}

// An effect whose steps vanish on this frame size.
velomira::Image noSteps(EffectInputs& in, const EffectParameter&) {
    velomira::Image unused;
    return playTransition(
        in, 0, [](std::size_t, FrameCanvas&) -> MagickWand* { return nullptr; }, unused);
}

class EffectContract : public RenderTest {};

TEST_F(EffectContract, SharedLoopKeepsTheContractAtEverySize) {
    for (auto [w, h] : {std::pair{64, 48}, {2, 2}, {30, 20}, {48, 64}}) {
        for (int still : {3, 0, -2}) {
            EffectCase c;
            c.effect = testWipe;
            c.width = w;
            c.height = h;
            c.stillFrames = still;
            expectEffectContract(c);
            c.withPrevious = false;
            c.withCaption = true;
            expectEffectContract(c);
        }
    }
}

// Frames whose effect says they do not build on each other: the first and the last are drawn on
// the caller's thread, the others on canvases of their own, and all arrive in order. A frame
// drawn apart that comes as an image fails the run: nothing after the frames before it arrives.
TEST_F(EffectContract, FramesDrawnApartArriveInOrder) {
    const int w = 32, h = 18, frames = 12;
    for (int threads : {1, 4}) {
        for (int imageAt : {-1, 5}) {
            SCOPED_TRACE(::testing::Message() << threads << " threads, image at " << imageAt);
            RecordingSink sink;
            velomira::Image picture = makeCanvas(w, h, "#ff0000");
            velomira::Image stray = makeCanvas(w, h, "#00ff00");
            EffectInputs in;
            in.width = w;
            in.height = h;
            in.pictureCanvas = &picture;
            in.sink = &sink;
            in.format = FrameFormat::Rgb24;
            in.codingThreads = threads;
            in.stillFrames = 2;
            velomira::Image finalFrame = clonePictureCanvas(in);
            const std::thread::id caller = std::this_thread::get_id();
            std::atomic<bool> endsElsewhere{false};
            auto draw = [&](std::size_t i, FrameCanvas& canvas) -> DrawnFrame {
                if ((i == 0 || i + 1 == frames) && std::this_thread::get_id() != caller)
                    endsElsewhere = true;
                if (i + 1 == frames)
                    return finalFrame.get();
                if (static_cast<int>(i) == imageAt)
                    return stray.get();
                std::fill_n(canvas.frame.pixels.data(), canvas.frame.bytes(),
                            static_cast<unsigned char>(i));
                return DrawnFrame::pixels(canvas.frame.data());
            };
            const velomira::Image result =
                playTransition(in, frames, draw, finalFrame, FrameOrder::Apart);
            EXPECT_FALSE(endsElsewhere);
            // With one thread nothing is drawn apart: an image is a frame like any other.
            const bool fails = imageAt >= 0 && threads > 1;
            EXPECT_EQ(static_cast<bool>(result), !fails);
            ASSERT_EQ(sink.count(), fails ? imageAt : frames + 2);
            for (int k = 0; k < std::min(sink.count(), frames - 1); ++k) {
                if (k != imageAt) {
                    EXPECT_EQ(static_cast<unsigned char>(sink.deliveries()[k].bytes[0]), k);
                }
            }
        }
    }
}

TEST_F(EffectContract, NoTransitionKeepsTheContract) {
    for (bool caption : {false, true}) {
        EffectCase c;
        c.effect = noTransition;
        c.withCaption = caption;
        for (int still : {1, 4, 0, -3}) {
            c.stillFrames = still;
            expectEffectContract(c);
        }
    }
}

TEST_F(EffectContract, AnEffectWithoutStepsBehavesAsNoTransition) {
    EffectCase c;
    c.effect = noSteps;
    for (int still : {4, 0}) {
        c.stillFrames = still;
        expectEffectContract(c);
        EXPECT_EQ(countFrames(c), still);
    }
    EffectRender r = renderEffect(c);
    ASSERT_TRUE(r.finalFrame);
    EXPECT_LT(meanDifference(r.finalFrame.get(), r.canvas.get()), 1.0);
}

TEST_F(EffectContract, FirstPictureWithoutTransitionIsOneWriteAndRepeats) {
    EffectCase c;
    c.effect = noTransition;
    c.withPrevious = false;
    c.stillFrames = 50;
    EffectRender r = renderEffect(c);
    ASSERT_TRUE(r.finalFrame);
    EXPECT_EQ(r.sink.writes(), 1);
    EXPECT_EQ(r.sink.repeats(), 49);
    EXPECT_TRUE(r.sink.repeatsMatchPrevious());
    EXPECT_EQ(countFrames(c), 50);
}

TEST_F(EffectContract, NoTransitionShowsTheCaptionAtOnceAtItsFinalOpacity) {
    EffectCase c;
    c.effect = noTransition;
    c.pictureColour = "#000000";
    c.withCaption = true;
    c.stillFrames = 3;
    EffectRender r = renderEffect(c);
    ASSERT_EQ(r.sink.count(), 3);
    EXPECT_EQ(r.sink.writes(), 1);
    velomira::Image first = decodeDelivery(r.sink, 0);
    // A white caption at opacity 0.85 over black.
    EXPECT_TRUE(near(pixelAt(first.get(), 12, 9), {217, 217, 217}, 4));
    EXPECT_TRUE(near(pixelAt(first.get(), 50, 40), {0, 0, 0}, 4));
}

TEST_F(EffectContract, CaptionFadesInOverTheFirstThreeStillFrames) {
    EffectCase c;
    c.effect = testWipe;
    c.pictureColour = "#000000";
    c.withCaption = true;
    c.stillFrames = 5;
    EffectRender r = renderEffect(c);
    const int transition = countFrames(c) - 5;
    ASSERT_EQ(r.sink.count(), transition + 5);
    const int expected[] = {89, 153, 217, 217, 217}; // opacities 0.35, 0.60, 0.85
    for (int i = 0; i < 5; ++i) {
        velomira::Image frame = decodeDelivery(r.sink, transition + i);
        EXPECT_TRUE(near(pixelAt(frame.get(), 12, 9), {expected[i], expected[i], expected[i]}, 4))
            << "still frame " << i;
        EXPECT_EQ(r.sink.deliveries()[transition + i].repeat, i >= 3) << "still frame " << i;
    }

    // Two still frames never reach the final opacity.
    c.stillFrames = 2;
    EffectRender shorter = renderEffect(c);
    velomira::Image lastFrame = decodeDelivery(shorter.sink, shorter.sink.count() - 1);
    EXPECT_TRUE(near(pixelAt(lastFrame.get(), 12, 9), {153, 153, 153}, 4));
    EXPECT_EQ(shorter.sink.writes(), shorter.sink.count());
}

TEST_F(EffectContract, UnmappedIndexesHaveNoTransition) {
    for (int index : {93, 94, 99, 150, -1, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(transitionEntry(index), nullptr) << index;
        int count = -1;
        EffectInputs in;
        in.width = 40;
        in.height = 30;
        in.stillFrames = 7;
        in.frameCountOut = &count;
        EXPECT_FALSE(runTransition(index, in));
        EXPECT_EQ(count, 7) << index;
    }
}

TEST_F(EffectContract, ParametersFollowTheFrameSize) {
    auto parameterOf = [](int index, int w, int h) {
        return transitionParameter(*transitionEntry(index), w, h);
    };
    EXPECT_EQ(parameterOf(2, 1280, 720).step, 80);
    EXPECT_EQ(parameterOf(4, 1280, 720).step, 45);
    EXPECT_EQ(parameterOf(17, 1280, 720).step, 75);
    EXPECT_EQ(parameterOf(66, 1000, 562).step, 58);
    EXPECT_EQ(parameterOf(37, 1000, 562).step, 31);
    EXPECT_EQ(parameterOf(0, 1280, 720).count, 20);
    EXPECT_EQ(parameterOf(0, 1280, 720).step, 25);
    EXPECT_EQ(parameterOf(1, 30, 20).step, 0);
    EXPECT_EQ(parameterOf(31, 400, 400).step, 6);
    EXPECT_EQ(parameterOf(41, 400, 400).step, 16);
    EXPECT_EQ(parameterOf(49, 400, 400).step, 14);
    EXPECT_DOUBLE_EQ(parameterOf(32, 400, 400).value, 19.8);
    EXPECT_DOUBLE_EQ(parameterOf(33, 400, 400).value, 11.0);
    EXPECT_DOUBLE_EQ(parameterOf(57, 400, 400).value, 5.45);
    EXPECT_EQ(parameterOf(95, 400, 400).step, 0);
}

TEST_F(EffectContract, FolderSinkNumbersFramesAndLinksRepeats) {
    FolderSink sink(folder.path());
    const unsigned char a[] = {1, 2, 3};
    const unsigned char b[] = {4, 5};
    ASSERT_TRUE(sink.writeFrame(a, sizeof a));
    ASSERT_TRUE(sink.repeatFrame(a, sizeof a));
    ASSERT_TRUE(sink.writeFrame(b, sizeof b));
    EXPECT_EQ(sink.framesWritten(), 3);
    struct stat first {
    }, second{}, third{};
    ASSERT_EQ(stat(sink.framePath(1).c_str(), &first), 0);
    ASSERT_EQ(stat(sink.framePath(2).c_str(), &second), 0);
    ASSERT_EQ(stat(sink.framePath(3).c_str(), &third), 0);
    EXPECT_EQ(first.st_ino, second.st_ino) << "a repeat should not store the bytes again";
    EXPECT_EQ(third.st_size, 2);
    EXPECT_EQ(sink.framePath(2).filename(), "000002.jpg");

    FolderSink gone(folder.path() / "missing");
    EXPECT_FALSE(gone.writeFrame(a, sizeof a));
    EXPECT_EQ(gone.framesWritten(), 0);
}

} // namespace
} // namespace velomira::testing
