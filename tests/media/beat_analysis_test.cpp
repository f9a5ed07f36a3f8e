// The beat tracker on clicks made in memory (a steady 120 BPM and a tempo ramp), and the cache
// entries that keep the beats between runs.
#include "media/beat_cache.h"
#include "media/beat_tracker.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <vector>

namespace velomira {
namespace {

constexpr double kFrame = 1.0 / 25.0;

// 10 ms clicks at the given times, silence between them.
std::vector<float> clicks(const std::vector<double>& times, double seconds) {
    std::vector<float> samples(static_cast<std::size_t>(seconds * kBeatSampleRate), 0.f);
    for (double t : times) {
        const auto first = static_cast<std::size_t>(t * kBeatSampleRate);
        for (std::size_t i = first; i < first + kBeatSampleRate / 100 && i < samples.size(); ++i)
            samples[i] = 1.f;
    }
    return samples;
}

double nearest(const std::vector<double>& times, double t) {
    double best = 1e9;
    for (double c : times)
        best = std::fabs(c - t) < std::fabs(best - t) ? c : best;
    return best;
}

TEST(BeatTracker, FindsClicksWithinTheirFrames) {
    std::vector<double> steady;
    for (double t = 0.0; t < 8.0; t += 0.5)
        steady.push_back(t);
    std::vector<double> ramp; // 109 BPM speeding up to 133
    for (double t = 0.0, gap = 0.55; t < 12.0; t += gap, gap = std::max(0.45, gap - 0.004))
        ramp.push_back(t);
    const struct {
        const char* name;
        std::vector<double> times;
        double seconds;
        double within; // seconds a found beat may lie from its click
    } cases[] = {{"120 BPM", steady, 8.0, kFrame}, {"ramp", ramp, 12.0, 2 * kFrame}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BeatTracker tracker;
        ASSERT_TRUE(tracker.ready());
        const std::vector<float> samples = clicks(c.times, c.seconds);
        // Fed in uneven blocks, as a file reads.
        for (std::size_t at = 0; at < samples.size(); at += 1000)
            tracker.feed(samples.data() + at, std::min<std::size_t>(1000, samples.size() - at));
        const std::vector<double>& beats = tracker.beats();
        ASSERT_TRUE(beatsFormPulse(beats)) << beats.size() << " beats";
        for (double beat : beats)
            EXPECT_NEAR(beat, nearest(c.times, beat), c.within);
    }
}

TEST(BeatTracker, SilenceAndScatteredTimesMakeNoPulse) {
    BeatTracker tracker;
    const std::vector<float> silence(5 * kBeatSampleRate, 0.f);
    tracker.feed(silence.data(), silence.size());
    EXPECT_FALSE(beatsFormPulse(tracker.beats()));
    EXPECT_FALSE(beatsFormPulse({0.5, 1.0, 1.5}));           // too few
    EXPECT_FALSE(beatsFormPulse({0.0, 0.1, 0.2, 0.3, 0.4})); // faster than any tempo
    EXPECT_FALSE(beatsFormPulse({0.0, 3.0, 6.0, 9.0}));      // slower than any tempo
    EXPECT_TRUE(beatsFormPulse({0.0, 0.5, 1.0, 1.5}));
}

TEST(BeatCache, EntriesReadBackOnlyForTheirOwnMusic) {
    const BeatCacheKey key{"/m/曲.mp3", 1700000000123456789, 4096};
    const std::vector<double> beats{0.5, 1.0, 1.4987};
    const std::string entry = formatBeatCache(key, beats);
    EXPECT_EQ(parseBeatCache(entry, key), beats);
    EXPECT_EQ(parseBeatCache(formatBeatCache(key, {}), key), std::vector<double>{});
    const std::string head = "velomira-beats 1\npath /m/曲.mp3\nstamp 1700000000123456789 4096\n";
    const struct {
        const char* name;
        std::string text;
        BeatCacheKey key;
    } refused[] = {
        {"other path", entry, {"/m/other.mp3", key.modified, key.size}},
        {"touched", entry, {key.path, key.modified + 1, key.size}},
        {"resized", entry, {key.path, key.modified, key.size + 1}},
        {"empty", "", key},
        {"other version", "velomira-beats 2" + entry.substr(16), key},
        {"count too high", head + "beats 2\n0.5\n", key},
        {"count too low", head + "beats 1\n0.5\n1.0\n", key},
        {"descending", head + "beats 2\n1.0\n0.5\n", key},
        {"negative", head + "beats 1\n-0.5\n", key},
        {"not a number", head + "beats 1\nnan\n", key},
        {"trailing text", head + "beats 1\n0.5x\n", key},
        {"huge count", head + "beats 99999999999\n", key},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(parseBeatCache(r.text, r.key));
    }
}

TEST(BeatCache, FilesAreKeptAndACorruptOneIsIgnored) {
    testing::TempFolder folder;
    const std::string music = folder.file("song.mp3");
    std::ofstream(music) << "not really music";
    const std::optional<BeatCacheKey> key = beatCacheKeyOf(music);
    ASSERT_TRUE(key);
    EXPECT_FALSE(beatCacheKeyOf(folder.file("missing.mp3")));
    const std::filesystem::path cache = folder.file("cache/beats");
    EXPECT_FALSE(readBeatCache(cache, *key));
    ASSERT_TRUE(writeBeatCache(cache, *key, {0.5, 1.0, 1.5, 2.0}));
    EXPECT_EQ(readBeatCache(cache, *key), (std::vector<double>{0.5, 1.0, 1.5, 2.0}));
    std::ofstream(beatCacheFile(cache, music), std::ios::trunc) << "velomira-beats 1\npath";
    EXPECT_FALSE(readBeatCache(cache, *key));
}

} // namespace
} // namespace velomira
