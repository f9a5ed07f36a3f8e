// A picture's own display time and the beat option: in the model, in the project file (written
// only when set, so older files keep their bytes) and back.
#include "album/project_apply.h"
#include "album/project_document.h"
#include "album/project_reading.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace velomira {
namespace {

AlbumProject threePictures() {
    AlbumProject album;
    resetProjectOptions(album, "Font");
    TransitionRandom random(1);
    for (const char* path : {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"})
        insertAlbumItem(album, path, -1, false, random);
    return album;
}

TEST(PictureTime, OwnTimesOverrideTheAlbumsAndTravelWithThePicture) {
    AlbumProject album = threePictures();
    const int albumFrames = album.settings.stillFrames;
    const struct {
        const char* text;
        std::optional<int> frames; // nothing: refused
    } texts[] = {{"2.5", 62},    {" 2.5秒 ", 62}, {"0", 0},    {"0.04", 1}, {"3600", 90000},
                 {"3600.1", {}}, {"-1", {}},      {"abc", {}}, {"", {}},    {"1e3", {}}};
    for (const auto& t : texts) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(itemStillFramesForText(t.text), t.frames);
    }
    EXPECT_TRUE(setAlbumItemStillFrames(album, 1, 62));
    EXPECT_FALSE(setAlbumItemStillFrames(album, 1, -1));
    EXPECT_FALSE(setAlbumItemStillFrames(album, 1, kMaxItemStillFrames + 1));
    EXPECT_FALSE(setAlbumItemStillFrames(album, 3, 10));
    EXPECT_EQ(itemStillFrames(album.settings, album.items[0]), albumFrames);
    EXPECT_EQ(itemStillFrames(album.settings, album.items[1]), 62);
    ASSERT_TRUE(moveAlbumItemUp(album, 1));
    EXPECT_EQ(album.items[0].path, "/p/b.jpg");
    EXPECT_EQ(album.items[0].stillFrames, 62);
    EXPECT_EQ(album.items[1].stillFrames, std::nullopt);
    EXPECT_TRUE(setAlbumItemStillFrames(album, 0, std::nullopt));
    EXPECT_EQ(itemStillFrames(album.settings, album.items[0]), albumFrames);
}

TEST(PictureTime, KeysAreWrittenOnlyWhenSetAndReadBack) {
    const struct {
        const char* name;
        std::optional<int> frames;
        bool beats;
        const char* written; // a piece of the printed file; empty: neither key appears
    } cases[] = {
        {"neither", std::nullopt, false, ""},
        {"own time", 62, false, "\"pauseSeconds\":\t2.48\n"},
        {"no still frames", 0, false, "\"pauseSeconds\":\t0\n"},
        {"one frame", 1, false, "\"pauseSeconds\":\t0.04\n"},
        {"beats", std::nullopt, true, "\n\t\"beat_sync\":\t1\n}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AlbumProject album = threePictures();
        album.items[1].stillFrames = c.frames;
        album.settings.beatSync = c.beats;
        const std::string text = printProjectDocument(documentFromAlbum(album));
        if (*c.written == '\0') {
            EXPECT_EQ(text.find("pauseSeconds"), std::string::npos);
            EXPECT_EQ(text.find("beat_sync"), std::string::npos);
        } else {
            EXPECT_NE(text.find(c.written), std::string::npos) << text;
        }
        const ProjectReading read = parseProjectDocument(text);
        ASSERT_EQ(read.flaw, ProjectFlaw::None);
        ASSERT_TRUE(read.document.imgs);
        AlbumItem item;
        applyProjectItemEntry(item, (*read.document.imgs)[1]);
        EXPECT_EQ(item.stillFrames, c.frames);
        EXPECT_EQ(read.document.beatSync.value_or(0) != 0, c.beats);
    }
}

TEST(PictureTime, HostileValuesInAFileReadAsTheAlbumsTime) {
    for (const char* value : {"-1", "\"2\"", "1e12", "null", "[]", "3600.01"}) {
        SCOPED_TRACE(value);
        const std::string text =
            std::string("{\"imgs\": [{\"path\": \"/a.jpg\", \"animationIndex\": "
                        "99, \"animationName\": \"\", \"fileName\": \"a.jpg\", "
                        "\"watermark_location\": 0, \"watermark_text\": \"\", "
                        "\"pauseSeconds\": ") +
            value + "}]}";
        const ProjectReading read = parseProjectDocument(text);
        ASSERT_TRUE(read.document.imgs);
        ASSERT_EQ(read.document.imgs->size(), 1u);
        AlbumItem item;
        item.stillFrames = 5;
        applyProjectItemEntry(item, read.document.imgs->front());
        EXPECT_EQ(item.stillFrames, std::nullopt);
    }
}

} // namespace
} // namespace velomira
