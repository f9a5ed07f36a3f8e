// The prober's report read back: the first audio stream's rate, the stream's length before the
// file's, and every malformed line ignored.
#include "media/audio_probe_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velomira {
namespace {

TEST(AudioProbeText, ReadsRateAndLengthAndIgnoresTheRest) {
    struct Case {
        const char* text;
        bool hasAudio;
        int rate;
        std::optional<double> seconds;
    } const cases[] = {
        {"streams.stream.0.sample_rate=\"44100\"\nstreams.stream.0.duration=\"3.000000\"\n"
         "format.duration=\"3.100000\"\n",
         true, 44100, 3.0},
        {"streams.stream.0.sample_rate=\"48000\"\r\nstreams.stream.0.duration=\"N/A\"\r\n"
         "format.duration=\"2.5\"\r\n",
         true, 48000, 2.5},
        {"format.duration=\"0.040000\"\n", false, 0, 0.04},
        {"[flac @ 0x1] bad header\nstreams.stream.0.sample_rate=\"0\"\n"
         "format.duration=\"N/A\"\n",
         true, 0, std::nullopt},
        {"streams.stream.0.sample_rate=\"44100x\"\nformat.duration=\"-1\"\n", true, 0,
         std::nullopt},
        {"streams.stream.0.sample_rate=44100\nformat.duration=\"inf\"", false, 0, std::nullopt},
        {"streams.stream.0.sample_rate=\"\nformat.duration=\"1e400\"", false, 0, std::nullopt},
        {"", false, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const AudioProbeText probe = parseAudioProbeText(c.text);
        EXPECT_EQ(probe.hasAudio, c.hasAudio);
        EXPECT_EQ(probe.sampleRate, c.rate);
        EXPECT_EQ(probe.seconds, c.seconds);
    }
}

TEST(AudioProbeText, EveryFuzzSeedParses) {
    const std::filesystem::path corpus =
        std::filesystem::path(VELOMIRA_FUZZ_CORPUS) / "fuzz_audio_probe_text";
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        const AudioProbeText probe = parseAudioProbeText(bytes);
        EXPECT_GE(probe.sampleRate, 0);
        if (probe.seconds)
            EXPECT_GT(*probe.seconds, 0.0);
        ++seeds;
    }
    EXPECT_GT(seeds, 0);
}

} // namespace
} // namespace velomira
