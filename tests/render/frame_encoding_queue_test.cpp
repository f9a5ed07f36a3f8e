// The queue that codes pixel frames on other threads: order, failed deliveries and frames that
// fail to code, with one thread and with four.
#include "render/frame_encoding_queue.h"
#include "render/image/frame_encoding.h"
#include "render_fixture.h"
#include "support/recording_sink.h"

#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace velomira::testing {
namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 26;

// Frame k: every sample k, so each delivery tells which frame it was.
std::vector<unsigned char> frameOf(int k) {
    return std::vector<unsigned char>(3 * kWidth * kHeight, static_cast<unsigned char>(k));
}

class FrameEncodingQueueTest : public RenderTest {};

TEST_F(FrameEncodingQueueTest, DeliversInOrderAndStopsAtTheFirstFailure) {
    for (int threads : {1, 4}) {
        for (int failAt : {0, 1, 5, 12}) {
            SCOPED_TRACE(::testing::Message() << threads << " threads, failing at " << failAt);
            RecordingSink sink(failAt);
            bool ok = true;
            {
                FrameEncodingQueue queue(sink, kWidth, kHeight, FrameFormat::Rgb24, threads);
                for (int k = 0; k < 12 && ok; ++k) {
                    const std::vector<unsigned char> pixels = frameOf(k);
                    ok = k == 6 ? queue.pushEncoded(encodeRgb24(pixels.data(), kWidth, kHeight,
                                                                FrameFormat::Rgb24))
                                : queue.pushPixels(pixels.data());
                }
                ok = ok && queue.drain();
                if (ok) {
                    const EncodedFrame last = queue.takeLastDelivered();
                    ASSERT_TRUE(last);
                    EXPECT_EQ(last.bytes()[0], 11);
                }
            }
            EXPECT_EQ(ok, failAt == 0);
            EXPECT_EQ(sink.count(), failAt == 0 ? 12 : failAt) << "a frame after the failure";
            for (int k = 0; k < sink.count(); ++k)
                EXPECT_EQ(static_cast<unsigned char>(sink.deliveries()[k].bytes[0]), k);
        }
    }
}

// Jobs that draw their frames on other threads: later frames finish first, yet every frame reaches
// the sink in its turn; no two jobs hold a slot at once; a job that yields nothing ends the
// deliveries there, and the jobs already running are waited for and discarded.
TEST_F(FrameEncodingQueueTest, JobsDeliverInOrderEachInASlotOfItsOwn) {
    for (int threads : {1, 4}) {
        for (int emptyAt : {-1, 7}) {
            SCOPED_TRACE(::testing::Message() << threads << " threads, empty at " << emptyAt);
            RecordingSink sink;
            std::array<std::atomic<int>, 4> holders{};
            std::atomic<bool> shared{false};
            bool ok = true;
            {
                FrameEncodingQueue queue(sink, kWidth, kHeight, FrameFormat::Rgb24, threads);
                for (int k = 0; k < 12 && ok; ++k) {
                    ok = queue.pushJob([&, k](std::size_t slot) {
                        if (slot >= holders.size() || holders[slot].fetch_add(1) != 0)
                            shared = true;
                        // The first frames of each round take longest.
                        std::this_thread::sleep_for(std::chrono::milliseconds(2 * (4 - k % 4)));
                        const std::vector<unsigned char> pixels = frameOf(k);
                        EncodedFrame blob = k == emptyAt ? EncodedFrame()
                                                         : encodeRgb24(pixels.data(), kWidth,
                                                                       kHeight, FrameFormat::Rgb24);
                        holders[slot].fetch_sub(1);
                        return blob;
                    });
                }
                ok = ok && queue.drain();
            }
            EXPECT_FALSE(shared) << "a slot held by two jobs at once";
            EXPECT_EQ(ok, emptyAt < 0);
            EXPECT_EQ(sink.count(), emptyAt < 0 ? 12 : emptyAt);
            for (int k = 0; k < sink.count(); ++k)
                EXPECT_EQ(static_cast<unsigned char>(sink.deliveries()[k].bytes[0]), k);
        }
    }
}

TEST_F(FrameEncodingQueueTest, AFrameThatDoesNotCodeFailsTheTransition) {
    for (int threads : {1, 4}) {
        RecordingSink sink;
        // A frame of zero width can be neither copied nor coded: the first frame fails.
        FrameEncodingQueue queue(sink, 0, kHeight, FrameFormat::Jpeg, threads);
        const std::vector<unsigned char> pixels = frameOf(1);
        bool ok = true;
        for (int k = 0; k < 3 && ok; ++k)
            ok = queue.pushPixels(pixels.data());
        EXPECT_FALSE(ok && queue.drain());
        EXPECT_FALSE(queue.pushEncoded(encodeRgb24(pixels.data(), 1, 1, FrameFormat::Rgb24)));
        EXPECT_EQ(sink.count(), 0);
    }
}

} // namespace
} // namespace velomira::testing
