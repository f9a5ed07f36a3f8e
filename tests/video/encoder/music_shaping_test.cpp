// The shaped music with the real encoder: fades, joins and loudness measured in the finished
// video, the measuring pass's ends, and the argument forms with and without the new options.
#include "video/encoder_args.h"
#include "video/encoder_pipeline.h"
#include "video/loudness_measure.h"

#include "media_tools.h"
#include "render/image/image_layer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <regex>

namespace velomira {
namespace {

using namespace velomira::testing;

constexpr int kRate = 44100;

std::string ffmpeg() {
    return "/usr/bin/ffmpeg";
}

// A track made from a lavfi source, e.g. "sine=f=440:d=3".
bool makeTrack(const std::string& path, const std::string& source) {
    return !runForOutput({"/bin/sh", "-c",
                          ffmpeg() + " -v error -y -f lavfi -i \"" + source + "\" -ac 2 \"" + path +
                              "\" && echo ok"})
                .empty();
}

// The video's sound as mono samples at kRate.
std::vector<float> decodedSound(const std::string& video) {
    const std::string bytes = runForOutput({ffmpeg(), "-v", "error", "-i", video, "-vn", "-ac", "1",
                                            "-ar", std::to_string(kRate), "-f", "f32le", "-"});
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

// RMS and peak level in dBFS of seconds [from, from + length).
double levelDb(const std::vector<float>& samples, double from, double length, bool peak) {
    const std::size_t begin = static_cast<std::size_t>(from * kRate);
    const std::size_t end =
        std::min(samples.size(), static_cast<std::size_t>((from + length) * kRate));
    double sum = 0.0, top = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        sum += double(samples[i]) * samples[i];
        top = std::max(top, double(std::fabs(samples[i])));
    }
    const double value = peak ? top : std::sqrt(sum / std::max<std::size_t>(1, end - begin));
    return 20.0 * std::log10(std::max(value, 1e-9));
}

// The integrated loudness the encoder's own meter gives the video's sound.
double integratedLoudness(const std::string& video) {
    const std::string log = runForOutput(
        {"/bin/sh", "-c",
         ffmpeg() + " -hide_banner -nostats -i \"" + video + "\" -vn -af ebur128 -f null - 2>&1"});
    std::smatch match;
    static const std::regex summary(R"(Integrated loudness:\s*I:\s*(-?[0-9.]+) LUFS)");
    return std::regex_search(log, match, summary) ? std::stod(match[1]) : 0.0;
}

class MusicShaping : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!makeToolFolder(folder.path()))
            GTEST_SKIP() << "ffmpeg or AtomicParsley is not installed";
        initImageLibrary();
        std::filesystem::create_directories(folder.path() / "temp");
        project.settings.videoWidth = 64;
        project.settings.videoHeight = 36;
        request.encoderPath = folder.path() / "tool" / "ffmpeg";
        request.workFolder = folder.path() / "temp";
        request.project = &project;
        request.outputPath = folder.file("out.mp4");
        request.errorLog = errorLogIn(folder.path());
    }

    void addTrack(const std::string& name, const std::string& source, double seconds) {
        ASSERT_TRUE(makeTrack(folder.file(name), source)) << source;
        project.musicItems.push_back(
            MusicTrack{folder.file(name), static_cast<float>(seconds * 1000.0), kRate});
    }

    EncoderRunResult encode(int frames) {
        request.durationText = std::to_string(frames / 25.0);
        const std::string frame = solidFrame(64, 36, "#808080");
        const auto* bytes = reinterpret_cast<const unsigned char*>(frame.data());
        return runEncoderJob(
            state, request, stop,
            [&](FrameSink& sink) {
                for (int i = 0; i < frames && sink.writeFrame(bytes, frame.size()); ++i) {
                }
            },
            nullptr);
    }

    TempFolder folder;
    AlbumProject project;
    EncoderRequest request;
    EncoderState state;
    std::atomic<bool> stop{false};
};

TEST_F(MusicShaping, FadesSoftenBothEndsJoinWithoutAStepAndKeepTheLength) {
    addTrack("a.flac", "sine=f=440:d=3:sample_rate=48000", 3.0);
    addTrack("b.mp3", "sine=f=660:d=3", 3.0);
    project.settings.musicFadeSeconds = kMusicFadeOutSeconds;
    project.settings.audioSampleRate = kRate;
    const EncoderRunResult run = encode(125);
    ASSERT_EQ(run.outcome, EncoderOutcome::Done) << run.errorText;
    EXPECT_LE(videoDuration(request.outputPath), 5.0 + 0.03) << "fades never lengthen the video";
    const std::vector<float> sound = decodedSound(request.outputPath);
    ASSERT_GT(sound.size(), std::size_t(4.5 * kRate));
    EXPECT_LT(levelDb(sound, 0.0, 0.05, true), -40.0) << "the first 50 ms are near silent";
    const double end = double(sound.size()) / kRate;
    EXPECT_LT(levelDb(sound, end - 0.1, 0.1, false), -60.0) << "the last 100 ms are silent";
    EXPECT_GT(levelDb(sound, end - 2.0, 0.1, false), -30.0) << "the fade-out starts 2 s early";
    // Across the cross-fade (2 s to 3 s) every 100 ms stays within 3 dB of the one before.
    for (double t = 0.7; t < 2.9; t += 0.1) {
        SCOPED_TRACE(t);
        EXPECT_LT(std::fabs(levelDb(sound, t + 0.1, 0.1, false) - levelDb(sound, t, 0.1, false)),
                  3.0);
    }
}

struct LoudnessCase {
    const char* name;
    const char* source;
};

TEST_F(MusicShaping, QuietAndLoudMusicLandWithinOneUnitOfTheTarget) {
    const LoudnessCase cases[] = {
        {"quiet.wav", "sine=f=440:d=3,volume=-32dB"},
        {"loud.ogg", "anoisesrc=d=3:c=pink:a=0.9:seed=1"},
    };
    for (const LoudnessCase& c : cases) {
        SCOPED_TRACE(c.name);
        project.musicItems.clear();
        addTrack(c.name, c.source, 3.0);
        project.settings.musicLoudness = kMusicLoudnessLufs;
        project.settings.audioSampleRate = kRate;
        const MusicGraphInput graph = musicGraphInput(project, "3");
        const LoudnessPass pass = measureMusicLoudness(request.encoderPath, {folder.file(c.name)},
                                                       graph, stop, loudnessPassLimit(3.0));
        ASSERT_EQ(pass.end, LoudnessPassEnd::Measured) << pass.problem;
        request.musicLoudness = pass.measure;
        ASSERT_EQ(encode(75).outcome, EncoderOutcome::Done);
        EXPECT_NEAR(integratedLoudness(request.outputPath), kMusicLoudnessLufs, 1.0);
        EXPECT_LE(levelDb(decodedSound(request.outputPath), 0.0, 3.0, true), -0.5);
    }
}

TEST_F(MusicShaping, MeasuringEndsOnStopBrokenAndSilentMusic) {
    ASSERT_TRUE(makeTrack(folder.file("quiet.wav"), "anullsrc=d=2"));
    folder.writeFile("broken.flac", "not a flac at all");
    MusicGraphInput graph;
    graph.trackSeconds = {2.0};
    graph.videoSeconds = 2.0;
    struct Case {
        const char* track;
        bool stopped;
        LoudnessPassEnd end;
    } const cases[] = {
        {"quiet.wav", true, LoudnessPassEnd::Stopped},
        {"broken.flac", false, LoudnessPassEnd::Failed},
        {"quiet.wav", false, LoudnessPassEnd::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.track);
        std::atomic<bool> stopped{c.stopped};
        const LoudnessPass pass = measureMusicLoudness(request.encoderPath, {folder.file(c.track)},
                                                       graph, stopped, std::chrono::seconds(60));
        EXPECT_EQ(pass.end, c.end);
        EXPECT_FALSE(pass.measure);
        EXPECT_EQ(pass.problem.empty(), c.stopped);
    }
}

TEST(MusicArguments, OldAlbumsKeepTheByteJoinAndShapedOnesGetTheGraph) {
    AlbumProject album;
    album.settings.videoWidth = 64;
    album.settings.videoHeight = 36;
    album.musicItems = {{"/m/a.mp3", 3000.f, 44100}, {"/m/b.mp3", 3000.f, 44100}};
    EXPECT_EQ(audioArguments(encoderCommandInput(album, "5", "o.mp4", "")).text,
              " -i \"concat:/m/a.mp3|/m/b.mp3\" -ac 2 -ar 44100 -ab 128k");

    struct Case {
        double fade;
        std::optional<double> loudness;
        const char* track;
        std::vector<std::string> parts; // in the graph, in this order
    } const cases[] = {
        {0.0, std::nullopt, "/m/b.flac", {"concat=n=2", "[aout]"}},
        {2.0,
         std::nullopt,
         "/m/b.mp3",
         {"acrossfade=d=1.000", "afade=t=in:d=0.500", "afade=t=out:st=3.000:d=2.000"}},
        {3.0, -14.0, "/m/b.mp3", {"acrossfade", "loudnorm=I=-14.000:TP=-1.000", "st=2.000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.track);
        album.settings.musicFadeSeconds = c.fade;
        album.settings.musicLoudness = c.loudness;
        album.musicItems[1].path = c.track;
        EncoderCommandInput input = encoderCommandInput(album, "5", "o.mp4", "");
        ASSERT_TRUE(input.musicGraph);
        input.musicGraph->measured = LoudnessMeasure{-20, -3, 5, -30, 0.2};
        const CommandLine line = audioArguments(input);
        const std::vector<std::string>& a = line.arguments;
        ASSERT_GE(a.size(), 6u);
        EXPECT_EQ(std::vector<std::string>(a.begin(), a.begin() + 4),
                  (std::vector<std::string>{"-i", "/m/a.mp3", "-i", c.track}));
        const std::string& graph = a[5];
        std::size_t at = 0;
        for (const std::string& part : c.parts) {
            at = graph.find(part, at);
            EXPECT_NE(at, std::string::npos) << part << " in " << graph;
        }
        EXPECT_NE(line.text.find("-map 0:v -map [aout] -ac 2 -ar 44100 -ab 128k"),
                  std::string::npos);
    }
}

TEST(LoudnessSummary, OnlyAWholeFiniteLastSummaryCounts) {
    const std::string good = "{\"input_i\":\"-21.95\",\"input_tp\":\"-18.71\",\"input_lra\":"
                             "\"0.20\",\"input_thresh\":\"-31.95\",\"target_offset\":\"0.10\"}";
    struct Case {
        std::string text;
        bool measured;
    } const cases[] = {
        {"[Parsed_loudnorm_0 @ 0x1]\n" + good + "\n", true},
        {"{\"old\":1}\n" + good, true},
        {good.substr(0, good.size() - 1), false},
        {std::string(good).replace(good.find("-21.95"), 6, "-inf"), false},
        {std::string(good).replace(good.find("\"0.20\""), 6, "0.20"), false},
        {"no summary at all", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto measure = parseLoudnessSummary(c.text);
        ASSERT_EQ(measure.has_value(), c.measured);
        if (measure) {
            EXPECT_DOUBLE_EQ(measure->integrated, -21.95);
            EXPECT_DOUBLE_EQ(measure->offset, 0.10);
        }
    }
}

} // namespace
} // namespace velomira
