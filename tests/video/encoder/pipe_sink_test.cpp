#include "video/pipe_sink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace velomira {
namespace {

struct PipePair {
    UniqueFd readEnd;
    UniqueFd writeEnd;
    PipePair() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) == 0) {
            readEnd.reset(ends[0]);
            writeEnd.reset(ends[1]);
        }
    }
};

const unsigned char* bytesOf(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::string readToEnd(int fd) {
    std::string all;
    char buffer[65536];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
        all.append(buffer, static_cast<std::size_t>(got));
    return all;
}

TEST(PipeSink, FramesArriveWholeInOrderAndCloseEndsTheInput) {
    PipePair pipe;
    ASSERT_TRUE(pipe.readEnd.valid());
    std::string received;
    std::thread reader([&] { received = readToEnd(pipe.readEnd.get()); });
    std::string expected;
    {
        PipeSink sink(std::move(pipe.writeEnd), 2);
        for (int i = 0; i < 40; ++i) {
            // Frames larger than a default pipe buffer, each one distinct.
            const std::string frame(70000 + i, static_cast<char>('a' + i % 26));
            ASSERT_TRUE(sink.writeFrame(bytesOf(frame), frame.size()));
            ASSERT_TRUE(sink.repeatFrame(bytesOf(frame), frame.size()));
            expected += frame + frame;
        }
        // A "repeat" that does not match the last frame still sends what it was given.
        const std::string other = "different";
        ASSERT_TRUE(sink.repeatFrame(bytesOf(other), other.size()));
        expected += other;
        EXPECT_TRUE(sink.close());
        EXPECT_FALSE(sink.writeFrame(bytesOf(other), other.size()));
    }
    reader.join();
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

TEST(PipeSink, RepeatsCostNoQueueRoomSoTheRendererRunsAheadOfASlowReader) {
    PipePair pipe;
    ASSERT_TRUE(pipe.readEnd.valid());
    // Frames far larger than the pipe, and a byte budget that holds only one of them.
    const std::string still(3 << 19, 's');
    const std::string next(3 << 19, 'n');
    PipeSink sink(std::move(pipe.writeEnd), 4096, 2 << 20);
    ASSERT_TRUE(sink.writeFrame(bytesOf(still), still.size()));
    // Nobody reads yet: a held picture must still queue without waiting.
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(sink.repeatFrame(bytesOf(still), still.size()));

    std::atomic<bool> nextQueued{false};
    std::thread renderer([&] {
        EXPECT_TRUE(sink.writeFrame(bytesOf(next), next.size()));
        nextQueued = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(nextQueued) << "a second distinct frame must wait for room in the budget";

    std::string received;
    std::thread reader([&] { received = readToEnd(pipe.readEnd.get()); });
    renderer.join();
    EXPECT_TRUE(nextQueued);
    EXPECT_TRUE(sink.close());
    reader.join();
    EXPECT_EQ(received.size(), still.size() * 51 + next.size());
    EXPECT_EQ(received.back(), 'n');
}

TEST(PipeSink, ALimitDropsTheQueuedFramesBeyondItAndRefusesLaterOnes) {
    const struct {
        std::uint64_t limit;
        std::size_t expected; // frames the reader gets of the 30 queued
    } cases[] = {{12, 12}, {30, 30}, {100, 30}, {0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        PipePair pipe;
        ASSERT_TRUE(pipe.readEnd.valid());
        // Frames far larger than the pipe: nobody reads yet, so the first one stays in the
        // writer's hands and the rest wait in the queue.
        const std::string frame(3 << 19, 'f');
        PipeSink sink(std::move(pipe.writeEnd), 4096, 64 << 20);
        ASSERT_TRUE(sink.writeFrame(bytesOf(frame), frame.size()));
        for (int i = 1; i < 30; ++i)
            ASSERT_TRUE(sink.repeatFrame(bytesOf(frame), frame.size()));
        sink.limitFrames(c.limit);
        EXPECT_EQ(sink.writeFrame(bytesOf(frame), frame.size()), c.limit >= 100);
        std::string received;
        std::thread reader([&] { received = readToEnd(pipe.readEnd.get()); });
        EXPECT_TRUE(sink.close());
        reader.join();
        EXPECT_EQ(received.size(), frame.size() * (c.expected + (c.limit >= 100 ? 1 : 0)));
        EXPECT_EQ(sink.framesWritten(), c.expected + (c.limit >= 100 ? 1 : 0));
    }
}

TEST(PipeSink, ReaderThatGoesAwayMakesLaterFramesFail) {
    ignoreBrokenPipeSignal();
    PipePair pipe;
    PipeSink sink(std::move(pipe.writeEnd), 4);
    pipe.readEnd.reset();
    const std::string frame(100000, 'f');
    bool refused = false;
    for (int i = 0; i < 50 && !refused; ++i)
        refused = !sink.writeFrame(bytesOf(frame), frame.size());
    EXPECT_TRUE(refused);
    EXPECT_TRUE(sink.failed());
    EXPECT_FALSE(sink.repeatFrame(bytesOf(frame), frame.size()));
    EXPECT_FALSE(sink.close());
}

TEST(PipeSink, AbortReleasesAWriterWaitingForRoom) {
    PipePair pipe;
    PipeSink sink(std::move(pipe.writeEnd), 1);
    const std::string frame(1 << 20, 'q');
    // Nobody reads: the pipe fills, the writer thread blocks, then the queue fills.
    std::atomic<bool> refused{false};
    std::thread producer([&] {
        for (int i = 0; i < 100; ++i) {
            if (!sink.writeFrame(bytesOf(frame), frame.size())) {
                refused = true;
                return;
            }
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    sink.abort();
    // The writer thread itself is still blocked in write(); ending the reader releases it.
    pipe.readEnd.reset();
    producer.join();
    EXPECT_TRUE(refused);
    EXPECT_FALSE(sink.close());
}

TEST(PipeSink, InvalidPipeRefusesEverything) {
    PipeSink sink{UniqueFd()};
    const std::string frame = "x";
    EXPECT_FALSE(sink.writeFrame(bytesOf(frame), frame.size()));
    EXPECT_FALSE(sink.close());
}

} // namespace
} // namespace velomira
