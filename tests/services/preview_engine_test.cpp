// The preview engine on a fake clock: buffering, pacing, refill waits, the music commands and
// closing at awkward moments; the sink's storing rule and the queue's bound.
#include "render/frame_sequencer.h"
#include "services/preview_engine.h"
#include "support/picture_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velomira {
namespace {

// Virtual time: a sleep advances it at once. Only the display thread sleeps.
class FakeClock final : public PreviewClock {
  public:
    double nowMs() override { return now; }
    void sleepMs(double ms) override {
        if (beforeSleep)
            beforeSleep();
        if (ms > 0)
            now += ms;
    }
    double now = 0;
    std::function<void()> beforeSleep;
};

// Records what is shown and when; showing a frame takes decodeMs of virtual time.
class RecordingScreen final : public PreviewScreen {
  public:
    explicit RecordingScreen(FakeClock& clock) : clock_(clock) {}
    void showFrame(const unsigned char* bytes, std::size_t) override {
        record("f" + std::to_string(bytes[0]));
        clock_.now += decodeMs;
    }
    void showStockPicture(StockPicture picture) override {
        record(picture == StockPicture::Blank     ? "blank"
               : picture == StockPicture::Waiting ? "waiting"
                                                  : "end");
    }
    std::vector<std::pair<std::string, double>> shown;
    std::function<void(const std::string&)> onShow;
    double decodeMs = 0;

  private:
    void record(const std::string& what) {
        shown.emplace_back(what, clock_.now);
        if (onShow)
            onShow(what);
    }
    FakeClock& clock_;
};

struct Harness {
    explicit Harness(unsigned processors) {
        PreviewEngineServices services;
        services.screen = &screen;
        services.clock = &clock;
        services.processors = processors;
        services.sendMusicCue = [this](PreviewMusicCue c) {
            std::lock_guard lock(mutex);
            commands.push_back(c);
        };
        engine = std::make_unique<PreviewEngine>(services);
    }
    // Holds the display in its wait until the renderer has finished, so every run plays the
    // same way whatever the threads' timing.
    void waitUntilRendered() {
        while (!engine->renderDone())
            std::this_thread::yield();
    }
    std::vector<std::string> shownNames() const {
        std::vector<std::string> names;
        for (const auto& [name, time] : screen.shown)
            names.push_back(name);
        return names;
    }
    FakeClock clock;
    RecordingScreen screen{clock};
    std::mutex mutex;
    std::vector<PreviewMusicCue> commands;
    std::unique_ptr<PreviewEngine> engine;
};

void write(FrameSink& sink, unsigned char value) {
    const std::vector<unsigned char> frame(16, value);
    sink.writeFrame(frame.data(), frame.size());
}

using C = PreviewMusicCue;

TEST(PreviewEngine, BuffersByProcessorCountThenPacesFramesAndHoldsAtFortyMilliseconds) {
    const std::vector<std::pair<unsigned, double>> cases = {
        {1, 5000}, {2, 4000}, {3, 3000}, {4, 2000}, {8, 1000}};
    for (const auto& [processors, startWait] : cases) {
        Harness h(processors);
        h.screen.decodeMs = 15; // comes off the frame's 40 ms, not on top of it
        h.clock.beforeSleep = [&h] { h.waitUntilRendered(); };
        PreviewRun run{[](FrameSink& sink, const std::atomic<bool>&) {
                           write(sink, 1);
                           write(sink, 2);
                           const std::vector<unsigned char> held(16, 3);
                           sink.repeatFrame(held.data(), held.size()); // stored in full once
                           sink.repeatFrame(held.data(), held.size()); // then held without bytes
                       },
                       640};
        ASSERT_TRUE(h.engine->start(run));
        h.engine->wait();
        const std::vector<std::pair<std::string, double>> expected = {{"f1", startWait},
                                                                      {"f2", startWait + 40},
                                                                      {"f3", startWait + 80},
                                                                      {"end", startWait + 160}};
        EXPECT_EQ(h.screen.shown, expected) << processors << " processors";
        EXPECT_EQ(h.commands, (std::vector<C>{C::Play, C::Stop}));
        EXPECT_EQ(h.engine->state(), PreviewState::Finished);
        EXPECT_EQ(h.engine->refillWaits(), 0);
    }
}

TEST(PreviewEngine, RefillWaitPausesAndResumesTheMusicAndANarrowVideoPlaysOnBlank) {
    Harness h(2);
    std::promise<void> firstPart, waitingShown;
    std::shared_future<void> first = firstPart.get_future().share();
    std::shared_future<void> waiting = waitingShown.get_future().share();
    h.screen.onShow = [&](const std::string& what) {
        if (what == "waiting")
            waitingShown.set_value();
    };
    // The start wait lasts until the first frames are in; the refill wait until the rest are.
    h.clock.beforeSleep = [&] {
        first.wait();
        if (waiting.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            h.waitUntilRendered();
    };
    PreviewRun run{[&](FrameSink& sink, const std::atomic<bool>&) {
                       write(sink, 1);
                       write(sink, 2);
                       firstPart.set_value();
                       waiting.wait();
                       write(sink, 3);
                   },
                   200};
    ASSERT_TRUE(h.engine->start(run));
    h.engine->wait();
    EXPECT_EQ(h.shownNames(),
              (std::vector<std::string>{"blank", "f1", "f2", "waiting", "blank", "f3", "end"}));
    EXPECT_DOUBLE_EQ(h.screen.shown[5].second, h.screen.shown[3].second + 14 * 500);
    EXPECT_EQ(h.commands, (std::vector<C>{C::Play, C::Pause, C::Resume, C::Stop}));
    EXPECT_EQ(h.engine->refillWaits(), 1);
}

TEST(PreviewEngine, ClosingWhileWaitingStopsTheMusicWithoutTheEndAndTheNextRunIsClean) {
    Harness h(2);
    std::promise<void> twoFrames, released;
    std::shared_future<void> two = twoFrames.get_future().share();
    std::shared_future<void> release = released.get_future().share();
    h.clock.beforeSleep = [two] { two.wait(); };
    // The user closes the window while it shows the waiting picture.
    h.screen.onShow = [&](const std::string& what) {
        if (what == "waiting")
            h.engine->close();
    };
    PreviewRun run{[&](FrameSink& sink, const std::atomic<bool>& stop) {
                       write(sink, 1);
                       write(sink, 2);
                       twoFrames.set_value();
                       release.wait();
                       write(sink, 3); // after the close: stored nowhere
                       EXPECT_TRUE(stop.load());
                   },
                   640};
    ASSERT_TRUE(h.engine->start(run));
    EXPECT_FALSE(h.engine->start(run)) << "a second click while it plays";
    while (h.engine->state() == PreviewState::Running)
        std::this_thread::yield();
    EXPECT_FALSE(h.engine->start(run)) << "the closed run is still rendering its picture";
    released.set_value();
    h.engine->wait();
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"f1", "f2", "waiting"}));
    EXPECT_EQ(h.commands.back(), C::Stop);
    EXPECT_EQ(h.engine->state(), PreviewState::Stopped);
    EXPECT_EQ(h.engine->queue().frames(), 0u);

    h.screen.onShow = nullptr;
    h.screen.shown.clear();
    h.clock.beforeSleep = [&h] { h.waitUntilRendered(); };
    run.render = [&](FrameSink& sink, const std::atomic<bool>& stop) {
        EXPECT_FALSE(stop.load());
        write(sink, 9);
    };
    ASSERT_TRUE(h.engine->start(run));
    h.engine->wait();
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"f9", "end"}));
    EXPECT_EQ(h.engine->state(), PreviewState::Finished);
}

TEST(PreviewEngine, AThousandPictureAlbumNeverHoldsMoreThanTheBound) {
    testing::TempFolder folder;
    const std::string picture =
        testing::writeSolidPicture(folder.file("p.png"), 8, 6, "#336699", "png");
    AlbumProject album;
    album.settings.videoWidth = 2; // the smallest size a user can type
    album.settings.videoHeight = 2;
    album.settings.stillFrames = 3;
    for (int i = 0; i < 1000; ++i) {
        AlbumItem item;
        item.path = picture;
        album.items.push_back(item);
    }
    Harness h(2);
    // The display starts only once the renderer has filled the queue and had to wait.
    h.clock.beforeSleep = [&h] {
        while (h.engine->queue().producerWaits() == 0 && !h.engine->renderDone())
            std::this_thread::yield();
    };
    int shown = 0;
    h.screen.onShow = [&shown](const std::string& what) { shown += what[0] == 'f'; };
    RunOutcome outcome = RunOutcome::Stopped;
    PreviewRun run{[&](FrameSink& sink, const std::atomic<bool>& stop) {
                       SequencerContext context;
                       context.project = &album;
                       context.sink = &sink;
                       outcome = renderAlbum(context, 1000, stop);
                   },
                   2};
    ASSERT_TRUE(h.engine->start(run));
    h.engine->wait();
    EXPECT_EQ(outcome, RunOutcome::Completed);
    EXPECT_GT(h.engine->queue().producerWaits(), 0);
    EXPECT_LE(h.engine->queue().peakFrames(), PreviewQueueLimits{}.frames);
    EXPECT_GE(shown, 1000);
    EXPECT_EQ(h.screen.shown.back().first, "end");
}

TEST(PreviewSink, StoresTheFirstRepeatInFullAndLaterOnesWithoutBytesOnlyWhileRunning) {
    PreviewQueue queue;
    std::atomic<PreviewState> state{PreviewState::Running};
    PreviewSink sink(queue, state);
    const std::vector<unsigned char> a(8, 'a'), b(8, 'b'), c(8, 'c');
    EXPECT_TRUE(sink.writeFrame(a.data(), a.size()));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(sink.repeatFrame(a.data(), a.size()));
    sink.writeFrame(b.data(), b.size());
    sink.repeatFrame(c.data(), c.size()); // a held frame that was never written
    sink.repeatFrame(c.data(), c.size());
    state = PreviewState::Stopped;
    EXPECT_TRUE(sink.writeFrame(a.data(), a.size()));
    EXPECT_TRUE(sink.repeatFrame(a.data(), a.size()));
    std::string stored;
    while (auto entry = queue.tryPop())
        stored += entry->bytes.empty() ? '-' : char(entry->bytes[0]);
    EXPECT_EQ(stored, "aa--bc-");
}

TEST(PreviewQueue, HoldsNoMoreThanItsBoundAndCloseWakesAWaitingProducer) {
    // {frame limit, byte limit, frame size}: the bound in frames, then in bytes.
    for (const auto& [frames, bytes, size] :
         std::vector<std::tuple<std::size_t, std::size_t, std::size_t>>{{4, 1 << 20, 100},
                                                                        {100, 1000, 300}}) {
        PreviewQueue queue({frames, bytes});
        const std::size_t frameSize = size;
        std::thread producer([&queue, frameSize] {
            for (int i = 0; i < 40; ++i) {
                queue.push(PreviewEntry{std::vector<unsigned char>(frameSize, 1)});
                queue.push(PreviewEntry{}); // holds never wait
            }
        });
        int popped = 0;
        while (popped < 80) {
            if (queue.tryPop())
                ++popped;
            else
                std::this_thread::yield();
        }
        producer.join();
        EXPECT_LE(queue.peakFrames(), frames);
        EXPECT_LE(queue.peakBytes(), bytes);
        EXPECT_EQ(queue.bytes(), 0u);
    }
    PreviewQueue queue({1, 1 << 20});
    queue.push(PreviewEntry{{1}});
    std::promise<bool> pushed;
    std::thread producer([&] { pushed.set_value(queue.push(PreviewEntry{{2}})); });
    while (queue.producerWaits() == 0)
        std::this_thread::yield();
    queue.close();
    EXPECT_FALSE(pushed.get_future().get());
    producer.join();
    EXPECT_EQ(queue.frames(), 0u);
}

} // namespace
} // namespace velomira
