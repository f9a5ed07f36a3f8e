// The checks before a run: each refusal with its exact text, the sample-rate choice, the
// preview logo's corner.
#include "video/generation_preflight.h"

#include "render/image/magick_handles.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using testing::RecordingDialogs;
using testing::TempFolder;
using testing::writeSolidPicture;

class PreflightTest : public ::testing::Test {
  protected:
    void SetUp() override {
        initImageLibrary();
        setCustomVideoSize(project.settings, 400, 400);
    }
    // Runs the checks, keeping the refusal as the front end would show it.
    PreflightResult check(AlbumProject& album, OutputMode mode = OutputMode::Video,
                          std::unique_ptr<PreviewLogo>* logo = nullptr) {
        PreflightResult result = checkBeforeGeneration(album, mode, folder.path(), logo);
        if (result.failure)
            shown.push_back(*result.failure);
        return result;
    }
    std::string onlyMessage() const {
        if (!dialogs.messages().empty())
            return "<a message shown by the checks themselves>";
        return shown.size() == 1 ? shown.front().text
                                 : "<" + std::to_string(shown.size()) + " messages>";
    }
    MusicTrack track(const std::string& name, int rate) {
        return MusicTrack{writeSolidPicture(folder.file(name + ".png"), 2, 2, "#000000", "png"),
                          1000.f, rate};
    }

    TempFolder folder;
    RecordingDialogs dialogs; // the picture reader's own messages
    std::vector<Failure> shown;
    AlbumProject project;
};

TEST_F(PreflightTest, RefusesWithoutAChosenSize) {
    AlbumProject unsized;
    EXPECT_FALSE(check(unsized, OutputMode::Video).accepted);
    EXPECT_EQ(onlyMessage(), "请选择视频尺寸");
}

TEST_F(PreflightTest, LogoMustExistBePngOrJpegAndFitTheVideo) {
    project.settings.logo = true;
    project.settings.logoPath = folder.file("missing.png");
    EXPECT_FALSE(check(project, OutputMode::Video).accepted);
    EXPECT_EQ(onlyMessage(),
              "选择的图标文件不存在，请重新选择\n文件不存在: " + folder.file("missing.png"));

    shown.clear();
    project.settings.logoPath =
        writeSolidPicture(folder.file("logo.bmp"), 20, 20, "#ff0000", "bmp");
    EXPECT_FALSE(check(project, OutputMode::Video).accepted);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "选中的文件格式不受支持，请选择 PNG 或 JPG 格式的图片。\n" + folder.file("logo.bmp"));
    EXPECT_EQ(shown[0].title, "错误");

    shown.clear();
    project.settings.logoPath =
        writeSolidPicture(folder.file("wide.png"), 500, 100, "#ff0000", "png");
    EXPECT_FALSE(check(project, OutputMode::Video).accepted);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "选择的图标尺寸过大(500 x 100)，请选择一个不大于 400 x 400 的图标。\n" +
                  folder.file("wide.png"));
}

TEST_F(PreflightTest, PreviewLoadsTheLogoAtItsCorner) {
    project.settings.logo = true;
    project.settings.logoPath =
        writeSolidPicture(folder.file("logo.png"), 40, 30, "#ff0000", "png");
    const int expected[4][2] = {{0, 0}, {0, 370}, {360, 0}, {360, 370}};
    for (int location = 0; location < 4; ++location) {
        project.settings.logoLocation = location;
        std::unique_ptr<PreviewLogo> logo;
        ASSERT_TRUE(check(project, OutputMode::Preview, &logo).accepted);
        ASSERT_TRUE(logo);
        EXPECT_EQ(logo->x, expected[location][0]) << location;
        EXPECT_EQ(logo->y, expected[location][1]) << location;
    }
    // A logo's transparent parts stay transparent over the frame, as in the video.
    project.settings.logoPath =
        writeSolidPicture(folder.file("clear.png"), 40, 30, "#ff000000", "png");
    std::unique_ptr<PreviewLogo> clear;
    ASSERT_TRUE(check(project, OutputMode::Preview, &clear).accepted);
    EXPECT_EQ(MagickGetImageAlphaChannel(clear->image.get()), MagickTrue);

    project.settings.logo = false;
    std::unique_ptr<PreviewLogo> logo = std::make_unique<PreviewLogo>();
    ASSERT_TRUE(check(project, OutputMode::Preview, &logo).accepted);
    EXPECT_FALSE(logo) << "a logo switched off is released";
}

TEST_F(PreflightTest, MissingMusicNamesTheTrackAndSelectsIt) {
    addMusicTrack(project, track("a", 44100));
    addMusicTrack(project, MusicTrack{folder.file("gone.mp3"), 1000.f, 44100});
    const PreflightResult result = check(project, OutputMode::Video);
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(result.musicTrackToSelect, 1);
    EXPECT_EQ(onlyMessage(), "背景音乐 [gone.mp3] 已不存在，请重新选择。");
    project.settings.bgsound = false;
    EXPECT_TRUE(check(project, OutputMode::Video).accepted)
        << "music that is switched off is not checked";
}

TEST(SampleRateChoice, FollowsTheTwoTrackAndStandardListRules) {
    EXPECT_EQ(chooseAudioSampleRate({}), -1);
    EXPECT_EQ(chooseAudioSampleRate({44100, 44100, 44100}), -1);
    EXPECT_EQ(chooseAudioSampleRate({22050, 44100}), 44100);
    EXPECT_EQ(chooseAudioSampleRate({44100, 22050}), 48000);
    EXPECT_EQ(chooseAudioSampleRate({44100, 48000, 32000}), 24000);
    EXPECT_EQ(chooseAudioSampleRate({44100, 48000, 32000, 24000, 22050}), 0);
    EXPECT_EQ(chooseAudioSampleRate({48000, 44100, 8000}), 32000);
}

TEST_F(PreflightTest, RatesThatLeaveNoStandardRateAreRefusedWithBothTracksNamed) {
    const int rates[] = {44100, 44100, 48000, 32000, 24000, 22050};
    const char* names[] = {"a", "b", "c", "d", "e", "f"};
    for (int i = 0; i < 6; ++i)
        addMusicTrack(project, track(names[i], rates[i]));
    EXPECT_FALSE(check(project, OutputMode::Video).accepted);
    EXPECT_EQ(onlyMessage(), sampleRateMismatchText("b.png", 44100, "c.png", 48000));
    EXPECT_NE(onlyMessage().find("[b.png] 采样率: 44100Hz\n[c.png] 采样率: 48000Hz\n\n提示："),
              std::string::npos);
}

TEST_F(PreflightTest, AcceptedRunsCarryTheChosenRate) {
    addMusicTrack(project, track("low", 22050));
    addMusicTrack(project, track("high", 44100));
    ASSERT_TRUE(check(project, OutputMode::Video).accepted);
    EXPECT_EQ(project.settings.audioSampleRate, 44100);
    project.musicItems.pop_back();
    ASSERT_TRUE(check(project, OutputMode::Video).accepted);
    EXPECT_EQ(project.settings.audioSampleRate, -1);
}

TEST_F(PreflightTest, CoverMustExistReadAndHaveItsTool) {
    project.settings.cover = true;
    project.settings.coverPath = folder.file("nope.jpg");
    EXPECT_FALSE(check(project, OutputMode::Video).accepted);
    EXPECT_EQ(onlyMessage(), "封面图片 " + folder.file("nope.jpg") + " 不存在，请重新选择。");

    shown.clear();
    project.settings.coverPath = folder.writeFile("noise.jpg", "not a picture at all");
    EXPECT_FALSE(check(project, OutputMode::Video).accepted);
    ASSERT_EQ(shown.size(), 1u) << "one message, not the reader's and ours";
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(shown[0].text,
              "封面图片 " + project.settings.coverPath + " 不是一个有效的图片，请重新选择。");
    EXPECT_EQ(shown[0].title, "提示 - 设置封面");

    shown.clear();
    project.settings.coverPath =
        writeSolidPicture(folder.file("cover.jpg"), 30, 20, "#00ff00", "jpg");
    EXPECT_FALSE(check(project, OutputMode::Video).accepted);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "没有找到 AtomicParsley.exe 文件，请到官网重新下载软件。");

    std::filesystem::create_directories(folder.path() / "tool");
    folder.writeFile("tool/AtomicParsley", "#!/bin/sh\n");
    shown.clear();
    EXPECT_TRUE(check(project, OutputMode::Video).accepted);
    EXPECT_TRUE(shown.empty());
}

} // namespace
} // namespace velomira
