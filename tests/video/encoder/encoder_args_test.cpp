#include "video/encoder_args.h"

#include <gtest/gtest.h>

#include <random>

namespace velomira {
namespace {

EncoderCommandInput plainInput() {
    EncoderCommandInput input;
    input.width = 160;
    input.height = 90;
    input.durationText = "0.4";
    input.outputPath = "/videos/out.mp4";
    return input;
}

TEST(EncoderCommandText, PlainAlbumGivesBothFormsWithoutSoundOrFilter) {
    const EncoderCommandInput input = plainInput();
    EXPECT_EQ(anonymousPipeCommand(input).text,
              " -y -f mjpeg -r 25 -vcodec mjpeg -i pipe:0  -s 160x90 -t 0.4 -pix_fmt yuv420p -v "
              "error \"/videos/out.mp4\"");
    EXPECT_EQ(namedPipeCommand(input, "/work/temp/v17").text,
              " -y -f image2pipe -r 25 -vcodec mjpeg -i /work/temp/v17 -s 160x90 -t 0.4 -pix_fmt "
              "yuv420p -v error \"/videos/out.mp4\"");
    const std::vector<std::string> expected = {
        "-y", "-f",     "mjpeg", "-r",  "25",       "-vcodec", "mjpeg", "-i",    "pipe:0",
        "-s", "160x90", "-t",    "0.4", "-pix_fmt", "yuv420p", "-v",    "error", "/videos/out.mp4"};
    EXPECT_EQ(anonymousPipeCommand(input).arguments, expected);
}

TEST(EncoderCommandText, RawFramesAreDescribedBeforeTheInputAndTheRestStays) {
    EncoderCommandInput input = plainInput();
    input.width = 482;
    input.height = 270;
    input.musicPaths = {"a.mp3"};
    input.logoCopyName = "temp_12345.png";
    const std::string rest = " -i \"concat:a.mp3\" -ac 2 -ar 44100 -ab 128k -s 482x270 -t 0.4 -vf "
                             "\"movie='temp_12345.png' [watermark]; [in][watermark] "
                             "overlay=0:0 [out]\" -pix_fmt yuv420p -v error \"/videos/out.mp4\"";
    const struct {
        FrameFormat format;
        const char* name;
    } formats[] = {{FrameFormat::Yuv420p, "yuv420p"}, {FrameFormat::Rgb24, "rgb24"}};
    for (const auto& f : formats) {
        input.frameFormat = f.format;
        const std::string head =
            std::string(" -y -f rawvideo -pix_fmt ") + f.name + " -s 482x270 -r 25 -i ";
        EXPECT_EQ(anonymousPipeCommand(input).text, head + "pipe:0 " + rest);
        EXPECT_EQ(namedPipeCommand(input, "/w/v9").text, head + "/w/v9" + rest);
        EXPECT_EQ(anonymousPipeCommand(input).arguments,
                  splitCommandLine(anonymousPipeCommand(input).text));
    }
}

TEST(EncoderCommandText, MusicBecomesOneConcatInputWithRateAndBitrate) {
    EncoderCommandInput input = plainInput();
    input.musicPaths = {"a.mp3", "b.mp3"};
    input.audioSampleRate = 48000;
    input.audioBitrateKbps = 128;
    EXPECT_EQ(audioArguments(input).text, " -i \"concat:a.mp3|b.mp3\" -ac 2 -ar 48000 -ab 128k");
    EXPECT_EQ(anonymousPipeCommand(input).text,
              " -y -f mjpeg -r 25 -vcodec mjpeg -i pipe:0  -i \"concat:a.mp3|b.mp3\" -ac 2 -ar "
              "48000 -ab 128k -s 160x90 -t 0.4 -pix_fmt yuv420p -v error \"/videos/out.mp4\"");

    input.audioSampleRate = -1;
    input.audioBitrateKbps = 192;
    EXPECT_EQ(audioArguments(input).text, " -i \"concat:a.mp3|b.mp3\" -ac 2 -ar 44100 -ab 192k");
    EXPECT_EQ(audioArguments(input).arguments,
              (std::vector<std::string>{"-i", "concat:a.mp3|b.mp3", "-ac", "2", "-ar", "44100",
                                        "-ab", "192k"}));
}

TEST(EncoderCommandText, AlbumSettingsDecideSoundAndLogoLocation) {
    AlbumProject project;
    project.settings.videoWidth = 640;
    project.settings.videoHeight = 360;
    project.settings.audioSampleRate = 32000;
    project.settings.logoLocation = 3;
    project.musicItems = {{"/m/一.mp3", 1000.0f, 32000}, {"/m/two.mp3", 1000.0f, 32000}};
    project.settings.bgsound = true;
    EncoderCommandInput input = encoderCommandInput(project, "12.5", "/o.mp4", "temp_10001.png");
    EXPECT_EQ(input.width, 640);
    EXPECT_EQ(input.height, 360);
    EXPECT_EQ(input.musicPaths, (std::vector<std::string>{"/m/一.mp3", "/m/two.mp3"}));
    EXPECT_EQ(input.audioSampleRate, 32000);
    EXPECT_EQ(input.logoLocation, 3);
    EXPECT_EQ(input.logoCopyName, "temp_10001.png");

    project.settings.bgsound = false;
    input = encoderCommandInput(project, "12.5", "/o.mp4", "");
    EXPECT_TRUE(input.musicPaths.empty());
    EXPECT_EQ(audioArguments(input).text, "");
}

// A range of the pictures starts the music where the whole video has it; past its end the
// range is silent.
TEST(EncoderCommandText, MusicStartsWhereTheRangeStarts) {
    AlbumProject project;
    project.settings.bgsound = true;
    project.musicItems = {{"a.mp3", 1500.0f, 44100}, {"b.mp3", 1000.0f, 44100}};
    const struct {
        double start;
        const char* audio; // empty: no sound
    } cases[] = {
        {0.0, " -i \"concat:a.mp3|b.mp3\" -ac 2 -ar 44100 -ab 128k"},
        {2.4996, " -ss 2.500 -i \"concat:a.mp3|b.mp3\" -ac 2 -ar 44100 -ab 128k"},
        {2.5, ""},
    };
    for (const auto& c : cases) {
        EncoderCommandInput input = encoderCommandInput(project, "3.00", "/o.mp4", "");
        startMusicAt(input, project, c.start);
        EXPECT_EQ(audioArguments(input).text, c.audio) << c.start;
    }
}

TEST(EncoderCommandText, LogoFilterForEveryCorner) {
    const std::string start = " -vf \"movie='temp_12345.png' [watermark]; [in][watermark] ";
    const struct {
        int location;
        const char* overlay;
    } cases[] = {
        {0, "overlay=0:0"},
        {1, "overlay=0:main_h-overlay_h-0"},
        {2, "overlay=main_w-overlay_w-0:0"},
        {3, "overlay=main_w-overlay_w-0:main_h-overlay_h-0"},
        {-1, "overlay=0:main_h-overlay_h-0"},
        {4, "overlay=0:main_h-overlay_h-0"},
        {1000, "overlay=0:main_h-overlay_h-0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        const CommandLine filter = logoFilter("temp_12345.png", c.location);
        EXPECT_EQ(filter.text, start + c.overlay + " [out]\"");
        ASSERT_EQ(filter.arguments.size(), 2u);
        EXPECT_EQ(filter.arguments[1],
                  std::string("movie='temp_12345.png' [watermark]; [in][watermark] ") + c.overlay +
                      " [out]");
    }
    EXPECT_EQ(logoFilter("", 0).text, "");

    EncoderCommandInput input = plainInput();
    input.logoCopyName = "temp_20000.jpg";
    input.logoLocation = 2;
    EXPECT_EQ(namedPipeCommand(input, "/w/v1").text,
              " -y -f image2pipe -r 25 -vcodec mjpeg -i /w/v1 -s 160x90 -t 0.4 -vf "
              "\"movie='temp_20000.jpg' [watermark]; [in][watermark] "
              "overlay=main_w-overlay_w-0:0 [out]\" -pix_fmt yuv420p -v error \"/videos/out.mp4\"");
}

TEST(LogoCopyName, ExtensionIsKeptOnlyWhenPlainLettersAndDigits) {
    const struct {
        const char* path;
        const char* extension;
    } cases[] = {
        {"/p/logo.png", "png"},  {"/p/logo.JPG", "JPG"},  {"/p/logo.jpeg2", "jpeg2"},
        {"/p/a.b.gif", "gif"},   {"/p/logo", "png"},      {"/p.d/logo", "png"},
        {"/p/logo.", "png"},     {"/p/logo.p'ng", "png"}, {"/p/logo.png' [x]; [in]", "png"},
        {"/p/logo.pn g", "png"}, {"/p/logo.图标", "png"}, {"", "png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(logoCopyExtension(c.path), c.extension);
    }
    EXPECT_EQ(logoCopyName("/p/logo", 12345), "temp_12345.png");
    EXPECT_EQ(logoCopyName("/p/logo.Jpg", 30000), "temp_30000.Jpg");

    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        const int number = drawLogoCopyNumber(random);
        ASSERT_GE(number, 10000);
        ASSERT_LE(number, 30000);
    }
}

TEST(CommandLineSplit, TextAndArgumentsAgree) {
    EncoderCommandInput input = plainInput();
    input.outputPath = "/my videos/我的视频 1.mp4";
    input.musicPaths = {"/music dir/a b.mp3", "/m/c.mp3"};
    input.audioSampleRate = 22050;
    for (int location : {0, 1, 2, 3}) {
        input.logoCopyName = location == 1 ? "" : "temp_11111.png";
        input.logoLocation = location;
        const CommandLine anonymous = anonymousPipeCommand(input);
        EXPECT_EQ(splitCommandLine(anonymous.text), anonymous.arguments);
        const CommandLine named = namedPipeCommand(input, "/tmp/work/v3");
        EXPECT_EQ(splitCommandLine(named.text), named.arguments);
    }
    EXPECT_EQ(splitCommandLine(""), std::vector<std::string>{});
    EXPECT_EQ(splitCommandLine("  a  \"\" b\"c d\"e "),
              (std::vector<std::string>{"a", "", "bc de"}));
    EXPECT_EQ(splitCommandLine("\"unterminated x"), (std::vector<std::string>{"unterminated x"}));
}

TEST(CommandLineSplit, PathWithQuoteStaysOneArgument) {
    // The text cannot represent a double quote inside a quoted path; the argument array
    // carries it unchanged, so nothing can slip in as an extra encoder option.
    EncoderCommandInput input = plainInput();
    input.outputPath = "/v/a\" -f null \"b.mp4";
    const CommandLine command = anonymousPipeCommand(input);
    EXPECT_EQ(command.arguments.back(), "/v/a\" -f null \"b.mp4");
    EXPECT_EQ(command.arguments.size(), 18u);
}

TEST(CoverCommandText, QuotesAllThreePaths) {
    const CommandLine line = coverCommand("/v/a b.mp4", "/w/temp/cover.jpg", "/v/a b-17.mp4");
    EXPECT_EQ(line.text,
              " \"/v/a b.mp4\" --artwork \"/w/temp/cover.jpg\" --output \"/v/a b-17.mp4\"");
    EXPECT_EQ(splitCommandLine(line.text), line.arguments);
    EXPECT_EQ(line.arguments,
              (std::vector<std::string>{"/v/a b.mp4", "--artwork", "/w/temp/cover.jpg", "--output",
                                        "/v/a b-17.mp4"}));
}

} // namespace
} // namespace velomira
