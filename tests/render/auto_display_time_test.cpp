// Display times that follow the music: the search lands where the video first covers the
// music, from either side.
#include "render/auto_display_time.h"

#include "render/frame_sequencer.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

AlbumProject albumWithMusic(int pictures, float musicSeconds, int transition) {
    AlbumProject project;
    setCustomVideoSize(project.settings, 160, 90);
    TransitionRandom random(3);
    for (int i = 0; i < pictures; ++i) {
        insertAlbumItem(project, "/p" + std::to_string(i) + ".jpg", -1, false, random);
        if (i > 0)
            setItemTransition(project.items[i], transition);
    }
    addMusicTrack(project, MusicTrack{"/m.mp3", musicSeconds * 1000.f, 44100});
    return project;
}

float lengthOf(const AlbumProject& project) {
    return static_cast<float>(countAlbumFrames(project)) / 25.0f;
}

TEST(AutoDisplayTime, TenStillPicturesAndAMinuteOfMusicReachTheMusicLength) {
    AlbumProject project = albumWithMusic(10, 60.f, NO_TRANSITION);
    float seconds = 0;
    ASSERT_TRUE(computeAutoDisplayTime(project, &seconds));
    EXPECT_TRUE(project.settings.customDisplayTime);
    // The start value (60 - 8) / 10 = 5.20 s is below the music; the climb stops at 6.00 s,
    // the first value whose video reaches 60 s.
    EXPECT_NEAR(seconds, 6.00f, 0.005f);
    EXPECT_GE(lengthOf(project), 60.f);
}

TEST(AutoDisplayTime, LongTransitionsMakeTheSearchDescend) {
    AlbumProject project = albumWithMusic(4, 12.f, 31);
    float seconds = 0;
    ASSERT_TRUE(computeAutoDisplayTime(project, &seconds));
    const float length = lengthOf(project);
    // Either the video covers the music, or it is short by at most the last step's worth.
    EXPECT_TRUE(length >= 12.f || 12.f - length <= 3.f) << length;
    EXPECT_GT(project.settings.stillFrames, 0);
}

TEST(AutoDisplayTime, NeedsPicturesAndMusic) {
    AlbumProject noMusic = albumWithMusic(3, 10.f, NO_TRANSITION);
    noMusic.musicItems.clear();
    const int before = noMusic.settings.stillFrames;
    EXPECT_FALSE(computeAutoDisplayTime(noMusic));
    EXPECT_EQ(noMusic.settings.stillFrames, before);
    AlbumProject noPictures = albumWithMusic(0, 10.f, NO_TRANSITION);
    EXPECT_FALSE(computeAutoDisplayTime(noPictures));
}

TEST(AutoDisplayTime, HugeMusicEndsInBoundedSteps) {
    AlbumProject project = albumWithMusic(1, 3.0e6f, NO_TRANSITION);
    ASSERT_TRUE(computeAutoDisplayTime(project));
    EXPECT_GT(project.settings.stillFrames, 25);
}

} // namespace
} // namespace velomira
