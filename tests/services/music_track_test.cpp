// A music file becomes a track of the music list only with the MP3 name and a duration.
#include "services/music_track.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

// MPEG 2 layer III, 64 kbit/s, 22050 Hz: 208-byte frames of 576 samples each.
std::string mpeg2Frames(int count) {
    std::string frame(208, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xF3';
    frame[2] = '\x80';
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += frame;
    return bytes + "TAG" + std::string(125, '\0'); // an ID3v1 tag closes it
}

TEST(MusicTrack, NeedsTheMp3NameAndADuration) {
    testing::TempFolder folder;
    const std::string audio = mpeg2Frames(30);
    auto upper = readMusicTrack(folder.writeFile("Song.MP3", audio));
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->path, folder.file("Song.MP3"));
    EXPECT_EQ(upper->sampleRate, 22050);
    EXPECT_NEAR(upper->durationMs, 30 * 576 / 22050.0 * 1000.0, 1e-2);
    EXPECT_TRUE(readMusicTrack(folder.writeFile("b.Mp3", audio)));

    EXPECT_FALSE(readMusicTrack(folder.writeFile("song.mp3.wav", audio)));
    EXPECT_FALSE(readMusicTrack(folder.writeFile("song_mp3", audio)));
    EXPECT_FALSE(readMusicTrack(folder.writeFile("silence.mp3", std::string(4000, '\0'))));
    EXPECT_FALSE(readMusicTrack(folder.file("gone.mp3")));
}

} // namespace
} // namespace velomira
