// The encoder speed on the encoder's command line, with and without a size cap's rate, and the
// refusal of a preset the installed encoder does not know.
#include "video/encoder_args.h"
#include "video/encoder_preset_check.h"

#include "media_tools.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(EncoderSpeedArguments, StandardLeavesTheLineAsItWasAndTheOthersNameTheirPreset) {
    const std::string head = " -y -f rawvideo -pix_fmt yuv420p -s 160x90 -r 25 -i pipe:0  -s "
                             "160x90 -t 0.4";
    const std::string tail = " -pix_fmt yuv420p -v error \"/videos/out.mp4\"";
    const struct {
        EncoderSpeed speed;
        int videoKbps;
        const char* rate;
    } cases[] = {
        {EncoderSpeed::Standard, 0, ""},
        {EncoderSpeed::Fast, 0, " -preset veryfast"},
        {EncoderSpeed::Fine, 0, " -preset slow"},
        {EncoderSpeed::Standard, 800, " -b:v 800k -maxrate 1200k -bufsize 1600k"},
        {EncoderSpeed::Fast, 800, " -b:v 800k -maxrate 1200k -bufsize 1600k -preset veryfast"},
        {EncoderSpeed::Fine, 800, " -b:v 800k -maxrate 1200k -bufsize 1600k -preset slow"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(encoderSpeedName(c.speed)) + " " + std::to_string(c.videoKbps));
        EncoderCommandInput input;
        input.width = 160;
        input.height = 90;
        input.durationText = "0.4";
        input.outputPath = "/videos/out.mp4";
        input.frameFormat = FrameFormat::Yuv420p;
        input.rate.preset = encoderSpeedPreset(c.speed);
        input.rate.videoKbps = c.videoKbps;
        const CommandLine line = anonymousPipeCommand(input);
        EXPECT_EQ(line.text, head + c.rate + tail);
        EXPECT_EQ(line.arguments, splitCommandLine(line.text));
    }
}

TEST(EncoderPresetCheck, TheInstalledEncoderRefusesAPresetItDoesNotKnowByName) {
    const testing::TempFolder folder;
    if (!testing::makeToolFolder(folder.path()))
        GTEST_SKIP() << "ffmpeg is not installed";
    const std::filesystem::path ffmpeg = folder.path() / "tool" / "ffmpeg";
    const struct {
        const char* preset;
        bool refused;
    } cases[] = {{"", false}, {"veryfast", false}, {"slow", false}, {"slowish", true}};
    for (const auto& c : cases) {
        const std::optional<Failure> refusal = checkEncoderPreset(ffmpeg, c.preset);
        ASSERT_EQ(refusal.has_value(), c.refused) << c.preset;
        if (refusal) {
            EXPECT_NE(refusal->text.find(std::string("“") + c.preset + "”"), std::string::npos)
                << refusal->text;
        }
    }
    // No encoder at all is no verdict on the preset: the run's own checks report it.
    EXPECT_FALSE(checkEncoderPreset(folder.path() / "missing", "slowish"));
}

} // namespace
} // namespace velomira
