#include "album/album_model.h"
#include "app/text_conversion.h"

#include <gtest/gtest.h>

#include <string>

namespace velomira {
namespace {

AlbumProject albumOf(int pictures) {
    AlbumProject project;
    TransitionRandom random(5);
    for (int i = 0; i < pictures; ++i) {
        insertAlbumItem(project, "/album/pic" + std::to_string(i) + ".jpg", -1, false, random);
    }
    return project;
}

TEST(AlbumItemCreation, FillsFileNameAndCaptionDefaults) {
    AlbumProject project;
    project.settings.textWatermark = true;
    project.settings.textWatermarkColor = 2;
    project.settings.captionFontName = "文泉驿正黑";
    TransitionRandom random(1);
    ASSERT_EQ(insertAlbumItem(project, "/home/u/图片/春天.jpg", -1, false, random), 0);
    const AlbumItem& item = project.items[0];
    EXPECT_EQ(item.path, "/home/u/图片/春天.jpg");
    EXPECT_EQ(item.fileName, "春天.jpg");
    EXPECT_EQ(item.turnAngle, 0);
    EXPECT_EQ(item.caption.enabled, 1);
    EXPECT_EQ(item.caption.location, 4);
    EXPECT_EQ(item.caption.boxColor, rgb(0, 0, 0));
    EXPECT_EQ(item.caption.textColor, rgb(0x00, 0x80, 0xff));
    EXPECT_EQ(item.caption.fontName, "文泉驿正黑");
    EXPECT_TRUE(item.caption.text.empty());

    insertAlbumItem(project, "bare.png", -1, false, random);
    EXPECT_EQ(project.items[1].fileName, "bare.png");
}

TEST(AlbumItemCreation, ThousandAndFirstPictureIsRefused) {
    AlbumProject project = albumOf(maxPictures);
    ASSERT_EQ(albumItemCount(project), 1000);
    TransitionRandom random(2);
    EXPECT_EQ(insertAlbumItem(project, "/album/extra.jpg", -1, false, random), -1);
    EXPECT_EQ(insertAlbumItem(project, "/album/extra.jpg", 0, false, random), -1);
    EXPECT_EQ(albumItemCount(project), 1000);
    EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION) << "a refused insert changes nothing";
}

TEST(AlbumItemCreation, PositionsOutsideTheAlbumAppend) {
    AlbumProject project = albumOf(2);
    TransitionRandom random(3);
    EXPECT_EQ(insertAlbumItem(project, "/a/b.jpg", 7, false, random), 2);
    EXPECT_EQ(insertAlbumItem(project, "/a/c.jpg", -5, false, random), 3);
    EXPECT_EQ(project.items[3].path, "/a/c.jpg");
}

TEST(AlbumItems, LookupAndRemoval) {
    AlbumProject project = albumOf(3);
    EXPECT_EQ(albumItemAt(project, 3), nullptr);
    EXPECT_EQ(albumItemAt(project, -1), nullptr);
    ASSERT_NE(albumItemAt(project, 1), nullptr);
    EXPECT_FALSE(removeAlbumItem(project, 3));
    EXPECT_TRUE(removeAlbumItem(project, 1));
    ASSERT_EQ(albumItemCount(project), 2);
    EXPECT_EQ(project.items[1].path, "/album/pic2.jpg");
    removeAllAlbumItems(project);
    EXPECT_EQ(albumItemCount(project), 0);
}

TEST(AlbumItems, MovingKeepsTransitionsAtTheirPositions) {
    AlbumProject project = albumOf(3);
    setAlbumItemTransition(project, 1, 10);
    setAlbumItemTransition(project, 2, 20);
    setAlbumItemCaptionText(project, 2, "最后一张");
    rotateAlbumItemRight(project, 2);

    ASSERT_TRUE(moveAlbumItemUp(project, 2));
    EXPECT_EQ(project.items[1].path, "/album/pic2.jpg");
    EXPECT_EQ(project.items[1].fileName, "pic2.jpg");
    EXPECT_EQ(project.items[1].caption.text, "最后一张");
    EXPECT_EQ(project.items[1].turnAngle, 90);
    EXPECT_EQ(project.items[1].animationIndex, 10);
    EXPECT_EQ(project.items[1].animationName, "从右上角展开");
    EXPECT_EQ(project.items[2].path, "/album/pic1.jpg");
    EXPECT_EQ(project.items[2].turnAngle, 0);
    EXPECT_EQ(project.items[2].animationIndex, 20);

    ASSERT_TRUE(moveAlbumItemDown(project, 0));
    EXPECT_EQ(project.items[0].path, "/album/pic2.jpg");
    EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION);
    EXPECT_EQ(project.items[1].animationIndex, 10);

    EXPECT_FALSE(moveAlbumItemUp(project, 0));
    EXPECT_FALSE(moveAlbumItemDown(project, 2));
    EXPECT_FALSE(moveAlbumItemDown(project, -1));
    EXPECT_FALSE(moveAlbumItemUp(project, 3));
}

TEST(AlbumItems, ExplicitTransitionsCopyTheirName) {
    AlbumProject project = albumOf(2);
    ASSERT_TRUE(setAlbumItemTransition(project, 1, 95));
    EXPECT_EQ(project.items[1].animationName, "左右开门");
    ASSERT_TRUE(setAlbumItemTransition(project, 1, 93));
    EXPECT_EQ(project.items[1].animationIndex, 93);
    EXPECT_EQ(project.items[1].animationName, "无动画");
    EXPECT_FALSE(setAlbumItemTransition(project, 2, 1));
}

TEST(Rotation, QuarterTurnsWrapAround) {
    int angle = 0;
    for (int i = 0; i < 4; ++i) {
        angle = turnAngleRotatedRight(angle);
        EXPECT_EQ(angle, (i + 1) % 4 * 90);
    }
    EXPECT_EQ(turnAngleRotatedLeft(0), 270);
    EXPECT_EQ(turnAngleRotatedLeft(90), 0);
    EXPECT_EQ(turnAngleRotatedLeft(270), 180);
    EXPECT_EQ(turnAngleRotatedRight(270), 0);
    // Stored angles from a hand-edited file still end in range.
    EXPECT_EQ(turnAngleRotatedRight(450), 180);
    EXPECT_EQ(turnAngleRotatedLeft(-90), 180);
    EXPECT_EQ(turnAngleRotatedRight(2147483647), (2147483647 % 360 + 90) % 360);

    AlbumProject project = albumOf(1);
    EXPECT_TRUE(rotateAlbumItemLeft(project, 0));
    EXPECT_EQ(project.items[0].turnAngle, 270);
    EXPECT_FALSE(rotateAlbumItemRight(project, 1));
}

TEST(CaptionTexts, ClippedAtCharacterBoundariesByGbkBytes) {
    EXPECT_EQ(gbkByteLength("ab汉字"), 6u);
    EXPECT_EQ(clipToGbkBytes("abcdefghijklmnopq", 15), "abcdefghijklmno");
    EXPECT_EQ(clipToGbkBytes("一二三四五六七八九十", 15), "一二三四五六七");
    EXPECT_EQ(clipToGbkBytes("a一二三四五六七八", 15), "a一二三四五六七");
    EXPECT_EQ(clipToGbkBytes("ab\xE4\xB8", 15), "ab") << "a cut sequence is dropped";

    AlbumProject project = albumOf(1);
    std::string longText;
    for (int i = 0; i < 100; ++i) {
        longText += "字";
    }
    setAlbumItemCaptionText(project, 0, longText);
    EXPECT_EQ(gbkByteLength(project.items[0].caption.text), 194u);
    EXPECT_EQ(project.items[0].caption.text.size(), 97u * 3);

    applyCaptionFont(project, 3, "一二三四五六七八九十");
    EXPECT_EQ(project.settings.textWatermarkFont, 3);
    EXPECT_EQ(project.items[0].caption.fontName, "一二三四五六七");
}

TEST(CaptionChoices, ApplyToEveryPicture) {
    AlbumProject project = albumOf(3);
    applyCaptionSwitch(project, true);
    ASSERT_TRUE(applyCaptionColour(project, 10));
    for (const AlbumItem& item : project.items) {
        EXPECT_EQ(item.caption.enabled, 1);
        EXPECT_EQ(colorRefToHex(item.caption.boxColor), "#ff619d");
        EXPECT_EQ(colorRefToHex(item.caption.textColor), "#ff619d");
    }
    EXPECT_FALSE(applyCaptionColour(project, 14));
    EXPECT_EQ(project.settings.textWatermarkColor, 10);
}

TEST(Music, TracksAndTotalLength) {
    AlbumProject project;
    EXPECT_EQ(totalMusicSeconds(project), 0.0f);
    addMusicTrack(project, {"/m/a.mp3", 1500.5f, 44100});
    addMusicTrack(project, {"/m/b.mp3", 2000.25f, 48000});
    addMusicTrack(project, {"/m/c.mp3", 10.0f, 44100});
    ASSERT_EQ(musicTrackCount(project), 3);
    EXPECT_EQ(totalMusicSeconds(project), (1500.5f + 2000.25f + 10.0f) / 1000.0f);
    EXPECT_TRUE(removeMusicTrack(project, 1));
    EXPECT_FALSE(removeMusicTrack(project, 2));
    const MusicTrack* second = musicTrackAt(project, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->path, "/m/c.mp3");
    EXPECT_EQ(second->sampleRate, 44100);
    EXPECT_EQ(musicTrackAt(project, 2), nullptr);
}

TEST(VideoSize, ChoosingPresetsAndThePlaceholder) {
    VideoSettings settings;
    EXPECT_EQ(settings.videoWidth, 400);
    ASSERT_TRUE(chooseVideoSize(settings, 17));
    EXPECT_EQ(settings.videoSize, 17);
    EXPECT_EQ(settings.videoWidth, 1920);
    EXPECT_EQ(settings.videoHeight, 1080);
    ASSERT_TRUE(chooseVideoSize(settings, 9));
    EXPECT_EQ(settings.videoWidth, 720);
    EXPECT_EQ(settings.videoHeight, 960);
    EXPECT_FALSE(chooseVideoSize(settings, customVideoSizeEntry(settings)));
    EXPECT_FALSE(chooseVideoSize(settings, -1));
    EXPECT_EQ(settings.videoSize, 9) << "the custom entry leaves the choice to the dialog";
    ASSERT_TRUE(chooseVideoSize(settings, 0));
    EXPECT_EQ(settings.videoSize, 0);
    EXPECT_EQ(settings.videoWidth, 400);
    EXPECT_EQ(settings.videoHeight, 400);
}

TEST(VideoSize, CustomSizesAreAddedOnceBeforeTheCustomEntry) {
    VideoSettings settings;
    EXPECT_EQ(setCustomVideoSize(settings, 500, 500), 23);
    EXPECT_EQ(settings.videoWidth, 500);
    EXPECT_EQ(customVideoSizeEntry(settings), 24);
    EXPECT_EQ(selectVideoSizeText(settings, "500x500"), 23);
    EXPECT_EQ(setCustomVideoSize(settings, 1280, 720), 16) << "a preset is selected, not added";
    EXPECT_EQ(customVideoSizeEntry(settings), 24);
    EXPECT_EQ(selectVideoSizeText(settings, ""), 0);
    EXPECT_EQ(settings.videoSize, 0);

    const auto labels = videoSizeChoiceLabels(settings);
    ASSERT_EQ(labels.size(), 25u);
    EXPECT_EQ(labels[0], "");
    EXPECT_EQ(labels[1], "      ( 400 x  400)");
    EXPECT_EQ(labels[23], "500x500");
    EXPECT_EQ(labels[24], "自定义...");
}

TEST(VideoSize, MalformedOrHugeSizesChangeNothing) {
    VideoSettings settings;
    chooseVideoSize(settings, 4);
    EXPECT_EQ(selectVideoSizeText(settings, "big"), -1);
    EXPECT_EQ(selectVideoSizeText(settings, "100000x100000"), -1);
    EXPECT_EQ(setCustomVideoSize(settings, 0, 100), -1);
    EXPECT_EQ(setCustomVideoSize(settings, 3842, 2160), -1);
    EXPECT_EQ(settings.videoSize, 4);
    EXPECT_EQ(settings.videoWidth, 640);
    EXPECT_EQ(customVideoSizeEntry(settings), 23);
}

TEST(DisplayTime, ListChoiceAndCustomText) {
    VideoSettings settings;
    EXPECT_EQ(settings.stillFrames, 25);
    ASSERT_TRUE(choosePauseTime(settings, 0));
    EXPECT_EQ(settings.stillFrames, 2);
    ASSERT_TRUE(setCustomDisplayTime(settings, "5.20秒"));
    EXPECT_EQ(settings.stillFrames, 130);
    EXPECT_TRUE(settings.customDisplayTime);
    EXPECT_EQ(settings.pauseTime, 0) << "the list choice is kept behind the custom text";
    EXPECT_FALSE(setCustomDisplayTime(settings, "五秒"));
    EXPECT_EQ(settings.stillFrames, 130);
    EXPECT_FALSE(choosePauseTime(settings, 38));
    ASSERT_TRUE(choosePauseTime(settings, 21));
    EXPECT_EQ(settings.stillFrames, 50);
    EXPECT_FALSE(settings.customDisplayTime);
}

TEST(NewProject, ResetsOptionsButNotStoredPreferences) {
    AlbumProject project = albumOf(4);
    addMusicTrack(project, {"/m/a.mp3", 1000.0f, 44100});
    VideoSettings& s = project.settings;
    applyCaptionSwitch(project, true);
    applyCaptionFont(project, 2, "楷体");
    s.textWatermarkFontSize = 3;
    applyCaptionColour(project, 1);
    s.logo = true;
    s.logoPath = "/l/logo.png";
    s.logoLocation = 0;
    s.bgsound = false;
    s.bgsoundAutoSetPauseTime = true;
    s.bgsoundAutoSetImageLoopPlay = true;
    s.cover = true;
    s.coverPath = "/c/cover.jpg";
    setCustomVideoSize(s, 600, 600);
    setCustomDisplayTime(s, "3.00秒");
    s.videoBgFillColor = BackgroundFill::Black;
    s.loopPlayAnimation = 57;
    s.outputNaming = OutputNaming::FirstPicture;

    resetProjectOptions(project, "文泉驿正黑");

    EXPECT_TRUE(project.items.empty());
    EXPECT_TRUE(project.musicItems.empty());
    EXPECT_FALSE(s.textWatermark);
    EXPECT_EQ(s.textWatermarkFont, 0);
    EXPECT_EQ(s.captionFontName, "文泉驿正黑");
    EXPECT_EQ(s.textWatermarkFontSize, 8);
    EXPECT_EQ(s.textWatermarkColor, 8);
    EXPECT_FALSE(s.logo);
    EXPECT_TRUE(s.logoPath.empty());
    EXPECT_EQ(s.logoLocation, 2);
    EXPECT_TRUE(s.bgsound);
    EXPECT_FALSE(s.bgsoundAutoSetPauseTime);
    EXPECT_FALSE(s.bgsoundAutoSetImageLoopPlay);
    EXPECT_FALSE(s.cover);
    EXPECT_TRUE(s.coverPath.empty());
    EXPECT_EQ(s.videoSize, 0);
    EXPECT_EQ(s.videoWidth, 400);
    EXPECT_EQ(s.pauseTime, 21);
    EXPECT_EQ(s.stillFrames, 50);
    EXPECT_FALSE(s.customDisplayTime);
    EXPECT_EQ(s.videoBgFillColor, BackgroundFill::Black);
    EXPECT_EQ(s.loopPlayAnimation, 57);
    EXPECT_EQ(s.outputNaming, OutputNaming::FirstPicture);
    EXPECT_EQ(customVideoSizeEntry(s), 24) << "custom sizes stay in the list";
}

} // namespace
} // namespace velomira
