// Frame memory kept by a run: buffers come back dirty, so every effect drawn with a shared pool
// must deliver exactly the frames it delivers without one, and the pool must stay bounded.
#include "effect_harness.h"
#include "render/image/frame_pool.h"
#include "render/transition_dispatch.h"
#include "render_fixture.h"

#include <cstring>
#include <vector>

namespace velomira::testing {
namespace {

class FramePoolTest : public RenderTest {};

TEST_F(FramePoolTest, TakesBackMemoryClearedOnlyWhenAskedAndKeepsWithinItsLimit) {
    FramePool pool(3000);
    unsigned char* first = nullptr;
    {
        FrameBuffer a = pool.take(1000, true);
        ASSERT_FALSE(a.empty());
        first = a.data();
        std::memset(a.data(), 7, 1000);
    }
    EXPECT_EQ(pool.keptBytes(), 1000u);
    {
        // Reused as it was left; cleared when asked; a much smaller size does not take it.
        FrameBuffer dirty = pool.take(900, false);
        EXPECT_EQ(dirty.data(), first);
        EXPECT_EQ(dirty.size(), 900u);
        EXPECT_EQ(dirty.data()[0], 7);
        FrameBuffer small = pool.take(100, true);
        EXPECT_NE(small.data(), first);
    }
    FrameBuffer zeroed = pool.take(1000, true);
    EXPECT_EQ(zeroed.data(), first);
    EXPECT_EQ(zeroed.data()[999], 0);
    {
        // Past the limit buffers are unmapped, not kept.
        FrameBuffer b = pool.take(2000, false);
        FrameBuffer c = pool.take(2000, false);
    }
    EXPECT_LE(pool.keptBytes(), 3000u);
}

// Buffers a little larger than a frame, full of stale bytes, as a run's other users leave them.
void leaveStaleBuffers(FramePool& pool, std::size_t frameBytes) {
    std::vector<FrameBuffer> held;
    for (int k = 0; k < 6; ++k) {
        held.push_back(pool.take(frameBytes + 4096, false));
        std::memset(held.back().data(), 0xab, held.back().size());
    }
}

TEST_F(FramePoolTest, EveryEffectDrawsTheSameFramesFromReusedMemory) {
    FramePool pool;
    // The sanitizer build keeps to small frames, odd sizes included.
    const auto sizes = sanitizedBuild() ? std::vector{std::pair{160, 90}, std::pair{241, 135}}
                                        : std::vector{std::pair{160, 90}, std::pair{482, 270}};
    for (auto [width, height] : sizes) {
        leaveStaleBuffers(pool, 3 * static_cast<std::size_t>(width) * height);
        for (int pass = 0; pass < 2; ++pass) {
            for (int index = 0; index <= 98; ++index) {
                if (!transitionEntry(index))
                    continue;
                SCOPED_TRACE(::testing::Message() << "transition " << index << " at " << width
                                                  << "x" << height << ", pass " << pass);
                EffectCase c = catalogueCase(index, width, height, 2);
                c.textured = true;
                c.format = FrameFormat::Rgb24;
                const EffectRender fresh = renderEffect(c);
                c.pool = &pool;
                const EffectRender pooled = renderEffect(c);
                ASSERT_TRUE(pooled.finalFrame);
                ASSERT_EQ(pooled.sink.count(), fresh.sink.count());
                for (int i = 0; i < fresh.sink.count(); ++i)
                    ASSERT_TRUE(pooled.sink.deliveries()[i].bytes ==
                                fresh.sink.deliveries()[i].bytes)
                        << "frame " << i;
            }
        }
    }
    // Memory kept stays bounded however many transitions took from it.
    EXPECT_LE(pool.keptBytes(), kFramePoolBytes);
}

} // namespace
} // namespace velomira::testing
