// The music fade and loudness keys: written only when set, so an album without them prints the
// bytes it always did; read back within their bounds; and the audio file names an album takes.
#include "album/music_shaping.h"
#include "album/project_apply.h"
#include "album/project_document.h"
#include "album/project_reading.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

AlbumProject musicAlbum() {
    AlbumProject album;
    resetProjectOptions(album, "Font");
    addMusicTrack(album, {"/m/a.mp3", 1000.0f, 44100});
    return album;
}

TEST(MusicShapingKeys, WrittenOnlyWhenSetAndReadBackWithinBounds) {
    const AlbumProject plain = musicAlbum();
    const std::string plainText = printProjectDocument(documentFromAlbum(plain));
    EXPECT_EQ(plainText.find("music_"), std::string::npos);

    struct Case {
        double fade;
        std::optional<double> loudness;
        const char* written;
    } const cases[] = {
        {2.0, -14.0, "\t\"music_fade\":\t2,\n\t\"music_loudness\":\t-14\n"},
        {2.5, std::nullopt, "\t\"music_fade\":\t2.5\n"},
        {0.0, -16.5, "\t\"music_loudness\":\t-16.5\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        AlbumProject album = musicAlbum();
        album.settings.musicFadeSeconds = c.fade;
        album.settings.musicLoudness = c.loudness;
        const std::string text = printProjectDocument(documentFromAlbum(album));
        ASSERT_NE(text.find(c.written), std::string::npos) << text;
        // Without the keys the text is the plain album's, byte for byte.
        EXPECT_EQ(text.substr(0, text.find("\t\"music_")),
                  plainText.substr(0, plainText.size() - 2) + ",\n");
        const ProjectReading reading = parseProjectDocument(text);
        EXPECT_EQ(reading.document.musicFade,
                  c.fade > 0 ? std::optional<double>(c.fade) : std::nullopt);
        EXPECT_EQ(reading.document.musicLoudness, c.loudness);
    }

    struct Bound {
        std::optional<double> fade, loudness;
        double fadeRead;
        std::optional<double> loudnessRead;
    } const bounds[] = {
        {std::nullopt, std::nullopt, 0.0, std::nullopt},
        {31.0, -3.0, 0.0, std::nullopt},
        {-1.0, -41.0, 0.0, std::nullopt},
        {30.0, -5.0, 30.0, -5.0},
    };
    for (const Bound& b : bounds) {
        VideoSettings settings;
        settings.musicFadeSeconds = 9.0;
        applyMusicShaping(settings, b.fade, b.loudness);
        EXPECT_EQ(settings.musicFadeSeconds, b.fadeRead);
        EXPECT_EQ(settings.musicLoudness, b.loudnessRead);
    }
}

TEST(MusicShapingKeys, NewAlbumsFollowTheirDefaultsAndTakeEveryAudioName) {
    AlbumProject album;
    album.settings.newAlbumMusicFade = true;
    album.settings.newAlbumLoudness = true;
    resetProjectOptions(album, "Font");
    EXPECT_EQ(album.settings.musicFadeSeconds, kMusicFadeOutSeconds);
    EXPECT_EQ(album.settings.musicLoudness, kMusicLoudnessLufs);
    album.settings.newAlbumMusicFade = false;
    album.settings.newAlbumLoudness = false;
    resetProjectOptions(album, "Font");
    EXPECT_EQ(album.settings.musicFadeSeconds, 0.0);
    EXPECT_FALSE(album.settings.musicLoudness);

    for (const char* name :
         {"/a.mp3", "/a.M4A", "/a.aac", "/a.Flac", "/a.ogg", "/a.oga", "/a.opus", "/a.wav"})
        EXPECT_TRUE(isProjectMusicPath(name)) << name;
    for (const char* name : {"/a.mp4", "/a.wav.txt", "/a", "/flac"})
        EXPECT_FALSE(isProjectMusicPath(name)) << name;
    EXPECT_TRUE(isMp3FileName("/x.Mp3"));
    EXPECT_FALSE(isMp3FileName("/x.flac"));
}

} // namespace
} // namespace velomira
