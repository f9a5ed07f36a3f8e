// A file-size cap that is kept: the size texts, and whole runs with the real encoder whose file
// lands just under the cap, or that are refused when the cap cannot be kept.
#include "video/encoder_args.h"
#include "video/generation_job.h"
#include "video/mp4_boxes.h"
#include "video/output_limits.h"

#include "media_tools.h"
#include "render/image/image_layer.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace velomira {
namespace {

using namespace velomira::testing;

TEST(SizeCapText, SizesWithAndWithoutUnitsAreDecimalAndNonsenseIsZero) {
    const struct {
        const char* text;
        std::uint64_t bytes;
    } cases[] = {
        {"16M", 16000000}, {"16MB", 16000000}, {"16", 16000000},  {"1.5G", 1500000000},
        {"500K", 500000},  {"500kb", 500000},  {"0.25m", 250000}, {"", 0},
        {"M", 0},          {"-3M", 0},         {"16T", 0},        {"16 M", 0},
        {"0", 0},          {"nan", 0},         {"1e9G", 0},       {".5M", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseSizeText(c.text), c.bytes);
    }
    EXPECT_EQ(sizeCapText(16000000), "16.00 MB");
}

TEST(SizeCapArguments, TheRateAndPresetJoinTheLineOnlyWhenSet) {
    const struct {
        RateControl rate;
        std::string text;
    } cases[] = {
        {{}, ""},
        {{400, ""}, " -b:v 400k -maxrate 600k -bufsize 800k"},
        {{0, "veryfast"}, " -preset veryfast"},
        {{1001, "slow"}, " -b:v 1001k -maxrate 1501k -bufsize 2002k -preset slow"},
    };
    for (const auto& c : cases) {
        const CommandLine line = rateArguments(c.rate);
        EXPECT_EQ(line.text, c.text);
        EXPECT_EQ(line.arguments, splitCommandLine(c.text));
    }
}

// After a file over the cap, the next rate shrinks the video's share by the overrun, and a rate
// that would fall below a watchable one is refused instead.
TEST(SizeCapRetry, TheNextRateShrinksByTheOverrunUntilItIsTooLow) {
    SizeCapInput input;
    input.capBytes = 2000000;
    input.seconds = 20;
    input.audioKbps = 128;
    input.width = 640;
    input.height = 360;
    const SizeCapPlan first = planSizeCap(input);
    ASSERT_FALSE(first.refusal);
    const double firstVideoBytes = first.videoKbps * 1000.0 / 8 * input.seconds;
    const struct {
        double overrun; // the video's bytes against the first rate's
        bool refused;
    } cases[] = {{1.05, false}, {1.3, false}, {2.0, false}, {40.0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.overrun);
        const std::uint64_t fileBytes = static_cast<std::uint64_t>(
            2000000 * 0.95 - firstVideoBytes + firstVideoBytes * c.overrun);
        const SizeCapPlan next = nextSizeCapRate(input, first.videoKbps, fileBytes);
        ASSERT_EQ(next.refusal.has_value(), c.refused);
        if (c.refused) {
            EXPECT_NE(next.refusal->text.find("640 x 360"), std::string::npos);
            continue;
        }
        // The same overrun at the next rate keeps the file under the cap.
        const double nextVideoBytes = next.videoKbps * 1000.0 / 8 * input.seconds;
        EXPECT_LT(2000000 * 0.95 - firstVideoBytes + nextVideoBytes * c.overrun, 2000000 * 0.95);
        EXPECT_GT(next.videoKbps, first.videoKbps / c.overrun * 0.9);
    }
}

class SizeCapRun : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!makeToolFolder(folder.path()))
            GTEST_SKIP() << "ffmpeg or AtomicParsley is not installed";
        initImageLibrary();
        std::filesystem::create_directories(folder.path() / "temp");
        setCustomVideoSize(project.settings, 320, 180);
        TransitionRandom random(11);
        for (int i = 0; planRun(project).videoLength < 20.f; ++i)
            insertAlbumItem(project,
                            writeNoiseJpeg(folder.file("p" + std::to_string(i) + ".jpg"), 320, 180,
                                           static_cast<unsigned>(i)),
                            -1, false, random);
        // Loud pink noise: the sound encoder spends its whole rate on it.
        const std::string music = folder.file("loud.mp3");
        runForOutput({"/usr/bin/ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                      "anoisesrc=d=22:c=pink:a=0.9:seed=7", "-ac", "2", "-ar", "44100", music});
        ASSERT_TRUE(std::filesystem::exists(music));
        project.musicItems.push_back({music, 22000.f, 44100});
        request.encoder.project = &project;
        useProgramFolder(request, folder.path());
        request.encoder.workFolder = folder.path() / "temp";
        request.outputPath = folder.file("capped.mp4");
        request.encoder.errorLog = errorLogIn(folder.path());
        request.encodeStarted = [this](int encode, int) { encodes.push_back(encode); };
    }

    TempFolder folder;
    RecordingDialogs dialogs;
    AlbumProject project;
    GenerationRequest request;
    EncoderState state;
    std::atomic<bool> stop{false};
    std::vector<int> encodes;
};

TEST_F(SizeCapRun, AOneMegabyteCapGivesAFileJustUnderIt) {
    const RunPlan plan = planRun(project);
    ASSERT_NEAR(plan.videoLength, 20.f, 2.f);
    request.maxBytes = 1000000;
    ASSERT_FALSE(checkOutputLimits(project, plan, {request.maxBytes, 0, ""}));
    const GenerationResult result = runGenerationJob(state, request, plan, stop);
    ASSERT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
    const auto bytes = std::filesystem::file_size(request.outputPath);
    EXPECT_GE(bytes, 850000u);
    EXPECT_LE(bytes, 1000000u);
    EXPECT_GE(encodes.size(), 1u);
    EXPECT_LE(encodes.size(), static_cast<std::size_t>(kMaxSizeCapEncodes));
    EXPECT_EQ(countVideoFrames(request.outputPath), plan.totalFrames);
    EXPECT_NE(streamEntries(request.outputPath, "codec_type").find("codec_type=audio"),
              std::string::npos);
    EXPECT_TRUE(readMp4Layout(request.outputPath).indexFirst());
}

TEST_F(SizeCapRun, ACapTheSoundAloneFillsIsRefusedAndNothingIsEncoded) {
    const RunPlan plan = planRun(project);
    request.maxBytes = 300000; // 20 s of 128 kbit/s sound is some 330 kB
    const std::optional<Failure> refusal =
        checkOutputLimits(project, plan, {request.maxBytes, 0, ""});
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->text.find("0.30 MB"), std::string::npos) << refusal->text;
    EXPECT_NE(refusal->text.find("128 kbit/s"), std::string::npos) << refusal->text;
    // A run started all the same fails with that refusal and writes nothing.
    const GenerationResult result = runGenerationJob(state, request, plan, stop);
    EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].text, refusal->text);
    EXPECT_TRUE(encodes.empty());
    EXPECT_FALSE(std::filesystem::exists(request.outputPath));
}

} // namespace
} // namespace velomira
