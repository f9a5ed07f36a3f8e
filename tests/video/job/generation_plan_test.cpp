// The run's plan (N, frames, the -t text), the proposed output names and the play page.
#include "video/generation_plan.h"

#include "render/frame_sequencer.h"
#include "support/temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace velomira {
namespace {

AlbumProject albumOf(int pictures, int transition) {
    AlbumProject project;
    setCustomVideoSize(project.settings, 160, 90);
    choosePauseTime(project.settings, 21);
    TransitionRandom random(1);
    for (int i = 0; i < pictures; ++i) {
        insertAlbumItem(project, "/p" + std::to_string(i) + ".jpg", -1, false, random);
        if (i > 0)
            setItemTransition(project.items[i], transition);
    }
    return project;
}

TEST(RunPlan, WithoutLoopPlayCountsEveryPictureOnce) {
    const AlbumProject project = albumOf(3, NO_TRANSITION);
    const RunPlan plan = planRun(project);
    EXPECT_EQ(plan.totalPictures, 3);
    EXPECT_EQ(plan.totalFrames, countAlbumFrames(project));
    EXPECT_EQ(plan.totalFrames, 150);
    EXPECT_FLOAT_EQ(plan.videoLength, 6.0f);
    EXPECT_EQ(plan.durationText, "6.00");
}

TEST(RunPlan, LoopPlayRepeatsPicturesUntilTheMusicIsCovered) {
    AlbumProject project = albumOf(2, NO_TRANSITION);
    project.settings.bgsoundAutoSetImageLoopPlay = true;
    project.settings.loopPlayAnimation = NO_TRANSITION;
    addMusicTrack(project, MusicTrack{"/m.mp3", 9000.f, 44100});
    const RunPlan plan = planRun(project);
    // 2 s each: the fifth picture would end at 10 s, a whole second past the music's 9, so
    // the run stops after the fourth.
    EXPECT_EQ(plan.totalPictures, 4);
    EXPECT_EQ(plan.totalFrames, 200);
    EXPECT_EQ(plan.durationText, "8.00");
    project.settings.bgsound = false;
    EXPECT_EQ(planRun(project).totalPictures, 2) << "music that is off decides nothing";
}

TEST(RunPlan, LaterPassesCountTheLoopTransitionOfTheFirstPicture) {
    AlbumProject project = albumOf(2, NO_TRANSITION);
    project.settings.bgsoundAutoSetImageLoopPlay = true;
    project.settings.loopPlayAnimation = 31;
    addMusicTrack(project, MusicTrack{"/m.mp3", 30000.f, 44100});
    const RunPlan plan = planRun(project);
    ASSERT_GT(plan.totalPictures, 2);
    AlbumItem looped = project.items[0];
    setItemTransition(looped, 31);
    long long expected = 0;
    for (int k = 0; k < plan.totalPictures; ++k)
        expected +=
            countPictureFrames(project, k >= 2 && k % 2 == 0 ? looped : project.items[k % 2]);
    EXPECT_EQ(plan.totalFrames, expected);
}

TEST(OutputNames, FollowTheNamingChoice) {
    AlbumProject project = albumOf(1, NO_TRANSITION);
    project.items[0].fileName = "holiday.2026.jpg";
    const std::time_t moment = 1796000000; // 2026-11-30 00:53:20 UTC (tests run with TZ=UTC)
    EXPECT_EQ(proposedOutputName(project, OutputNaming::Empty, moment), "");
    EXPECT_EQ(proposedOutputName(project, OutputNaming::Time, moment), "2026_11_30_005320");
    EXPECT_EQ(proposedOutputName(project, OutputNaming::FirstPicture, moment), "holiday.2026");
    EXPECT_EQ(proposedOutputName(AlbumProject{}, OutputNaming::FirstPicture, moment), "");
    EXPECT_EQ(withMp4Extension("/v/a"), "/v/a.mp4");
    EXPECT_EQ(withMp4Extension("/v/a.MP4"), "/v/a.MP4");
    EXPECT_EQ(withMp4Extension("/v/a.mp4.txt"), "/v/a.mp4.txt.mp4");
}

TEST(PlayPage, PlaysTheVideoAndCannotBeBrokenByItsName) {
    testing::TempFolder folder;
    const std::string page = folder.file("play.html");
    ASSERT_TRUE(writePlayPage(page, "/home/me/我的视频/a 'b'&c.mp4"));
    std::ifstream in(page);
    std::stringstream text;
    text << in.rdbuf();
    const std::string html = text.str();
    EXPECT_EQ(html.rfind("<!DOCTYPE HTML><html><head>", 0), 0u);
    EXPECT_NE(html.find("<title>a 'b'&amp;c.mp4</title>"), std::string::npos);
    EXPECT_NE(html.find("src='file:///home/me/我的视频/a%20%27b%27%26c.mp4'"), std::string::npos);
    EXPECT_NE(html.find("<option>黑色背景</option><option>白色背景</option>"), std::string::npos);
    EXPECT_NE(html.find("当前浏览器不支持播放mp4视频"), std::string::npos);
    EXPECT_FALSE(writePlayPage(folder.file("no/such/folder/play.html"), "/v.mp4"));
}

} // namespace
} // namespace velomira
