// Focal regions as the project keeps them: their file text and what reads as "not found", the
// album's choice written only when it follows found regions, a region chosen by hand that
// survives saving and opening, and the region turning with its picture.
#include "album/focal_region.h"
#include "album/project_apply.h"
#include "album/project_document.h"
#include "album/project_reading.h"

#include <gtest/gtest.h>

#include <string>

namespace velomira {
namespace {

TEST(FocalRegionText, ReadsOnlyRegionsInsideThePicture) {
    const struct {
        const char* text;
        std::optional<FocalRegion> expected;
    } cases[] = {
        {"1200,3000,2500,4000", FocalRegion{0.12, 0.3, 0.25, 0.4, false}},
        {"0,0,10000,10000", FocalRegion{}},
        {"9999,9999,1,1", FocalRegion{0.9999, 0.9999, 0.0001, 0.0001, false}},
        {"8000,0,2500,100", std::nullopt}, // reaches past the right edge
        {"0,0,0,5000", std::nullopt},      // no width
        {"-1,0,100,100", std::nullopt},
        {"0,0,100,100,5", std::nullopt},
        {"0,0,100", std::nullopt},
        {"0, 0,100,100", std::nullopt},
        {"0x10,0,1,1", std::nullopt},
        {"99999999999,0,1,1", std::nullopt},
        {"", std::nullopt},
        {"centre", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<FocalRegion> read = parseFocalRegion(c.text);
        ASSERT_EQ(read.has_value(), c.expected.has_value());
        if (!read)
            continue;
        EXPECT_NEAR(read->x, c.expected->x, 1e-12);
        EXPECT_NEAR(read->y, c.expected->y, 1e-12);
        EXPECT_NEAR(read->width, c.expected->width, 1e-12);
        EXPECT_NEAR(read->height, c.expected->height, 1e-12);
        EXPECT_EQ(focalRegionText(*read), c.text) << "written back as it was read";
    }
    // A region beyond the picture (a rounding slip, a wild value) is written inside it.
    EXPECT_EQ(focalRegionText({0.9, -0.5, 0.3, 0.2, false}), "7000,0,3000,2000");
}

TEST(FocalRegionTurn, FollowsThePictureRoundAndBack) {
    const FocalRegion region{0.1, 0.2, 0.3, 0.4, true};
    const struct {
        int angle;
        FocalRegion expected;
    } cases[] = {
        {0, region},
        {90, {0.4, 0.1, 0.4, 0.3, true}},
        {180, {0.6, 0.4, 0.3, 0.4, true}},
        {270, {0.2, 0.6, 0.4, 0.3, true}},
        {-90, {0.2, 0.6, 0.4, 0.3, true}},
        {45, region},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        const FocalRegion turned = turnedFocalRegion(region, c.angle);
        EXPECT_NEAR(turned.x, c.expected.x, 1e-12);
        EXPECT_NEAR(turned.y, c.expected.y, 1e-12);
        EXPECT_NEAR(turned.width, c.expected.width, 1e-12);
        EXPECT_NEAR(turned.height, c.expected.height, 1e-12);
        EXPECT_TRUE(turned.byHand);
    }
    FocalRegion round = region;
    for (int i = 0; i < 4; ++i)
        round = turnedFocalRegion(round, 90);
    EXPECT_NEAR(round.x, region.x, 1e-12);
    EXPECT_NEAR(round.y, region.y, 1e-12);
}

TEST(FocalRegionFraming, HandChosenRegionsAlwaysCountFoundOnesOnlyInAuto) {
    const FocalRegion found{0.5, 0.5, 0.1, 0.1, false};
    FocalRegion chosen = found;
    chosen.byHand = true;
    EXPECT_EQ(framingRegion(FocusMode::Auto, found), found);
    EXPECT_EQ(framingRegion(FocusMode::Center, found), std::nullopt);
    EXPECT_EQ(framingRegion(FocusMode::Center, chosen), chosen);
    EXPECT_EQ(framingRegion(FocusMode::Auto, std::nullopt), std::nullopt);
}

AlbumProject oneRegionAlbum() {
    AlbumProject album;
    resetProjectOptions(album, "Font");
    TransitionRandom random(1);
    insertAlbumItem(album, "/p/a.jpg", -1, false, random);
    insertAlbumItem(album, "/p/b.jpg", -1, false, random);
    insertAlbumItem(album, "/p/c.jpg", -1, false, random);
    return album;
}

// The album's pictures after a save and an open of the printed text.
std::vector<AlbumItem> reopened(const std::string& text, FocusMode* focus = nullptr) {
    const ProjectReading read = parseProjectDocument(text);
    EXPECT_EQ(read.flaw, ProjectFlaw::None);
    std::vector<AlbumItem> items;
    for (const ProjectItemEntry& entry :
         read.document.imgs.value_or(std::vector<ProjectItemEntry>{})) {
        AlbumItem item;
        item.path = entry.path;
        applyProjectItemEntry(item, entry);
        items.push_back(item);
    }
    if (focus) {
        AlbumProject album;
        applyProjectOptions(album, read.document, read.optionsRead, {"Font"}, nullptr);
        *focus = album.settings.focus;
    }
    return items;
}

TEST(FocalRegionProject, WrittenOnlyWhenPresentAndReadBackAsChosen) {
    AlbumProject album = oneRegionAlbum();
    const std::string plain = printProjectDocument(documentFromAlbum(album));
    EXPECT_EQ(plain.find("focus"), std::string::npos);
    EXPECT_EQ(plain.find("focal"), std::string::npos);

    album.settings.focus = FocusMode::Auto;
    album.items[0].focus = FocalRegion{0.5, 0.25, 0.125, 0.25, false};
    ASSERT_TRUE(setAlbumItemFocus(album, 2, FocalRegion{0.1, 0.1, 0.2, 0.2, false}));
    const std::string text = printProjectDocument(documentFromAlbum(album));
    EXPECT_NE(text.find("\t\t\t\"focalRegion\":\t\"5000,2500,1250,2500\"\n\t\t}"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"focalRegion\":\t\"1000,1000,2000,2000\",\n\t\t\t\"focalByHand\":\t1"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\t\"focus\":\t\"auto\"\n}"), std::string::npos) << text;

    FocusMode focus = FocusMode::Center;
    const std::vector<AlbumItem> items = reopened(text, &focus);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(focus, FocusMode::Auto);
    EXPECT_EQ(items[0].focus, album.items[0].focus);
    EXPECT_EQ(items[1].focus, std::nullopt) << "not found yet";
    EXPECT_EQ(items[2].focus, album.items[2].focus);
    EXPECT_TRUE(items[2].focus->byHand);
    EXPECT_EQ(printProjectDocument(documentFromAlbum(album)), text) << "saved the same again";

    ASSERT_TRUE(setAlbumItemFocus(album, 2, std::nullopt)); // back to automatic
    EXPECT_EQ(album.items[2].focus, std::nullopt);
    EXPECT_FALSE(setAlbumItemFocus(album, 3, std::nullopt));
}

TEST(FocalRegionProject, GarbageReadsAsNotFoundAndAnUnknownChoiceAsCenter) {
    const std::string options =
        "\"text_watermark\":0,\"text_watermark_font\":0,\"text_watermark_color\":8,"
        "\"logo\":0,\"logo_location\":2,\"bgsound\":1,\"bgsound_auto_set_pause_time\":0,"
        "\"video_size\":\"\",\"pause_time\":11";
    const auto withPicture = [&](const std::string& members, const std::string& focus) {
        return "{\"imgs\":[{\"path\":\"/a.jpg\",\"animationIndex\":1,\"animationName\":\"\","
               "\"fileName\":\"a.jpg\",\"watermark_location\":4,\"watermark_text\":\"\"" +
               members + "}]," + options + focus + "}";
    };
    const struct {
        const char* name;
        std::string text;
        bool found;
        bool byHand;
        FocusMode focus;
    } cases[] = {
        {"found", withPicture(",\"focalRegion\":\"0,0,5000,5000\"", ",\"focus\":\"auto\""), true,
         false, FocusMode::Auto},
        {"chosen", withPicture(",\"focalRegion\":\"0,0,5000,5000\",\"focalByHand\":1", ""), true,
         true, FocusMode::Center},
        {"outside the picture", withPicture(",\"focalRegion\":\"6000,0,5000,5000\"", ""), false,
         false, FocusMode::Center},
        {"a number", withPicture(",\"focalRegion\":17,\"focalByHand\":1", ""), false, false,
         FocusMode::Center},
        {"odd mark", withPicture(",\"focalRegion\":\"0,0,1,1\",\"focalByHand\":7", ""), true, false,
         FocusMode::Center},
        {"unknown choice", withPicture("", ",\"focus\":\"faces\""), false, false,
         FocusMode::Center},
        {"choice not text", withPicture("", ",\"focus\":1"), false, false, FocusMode::Center},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FocusMode focus = FocusMode::Auto;
        const std::vector<AlbumItem> items = reopened(c.text, &focus);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].focus.has_value(), c.found);
        if (items[0].focus) {
            EXPECT_EQ(items[0].focus->byHand, c.byHand);
        }
        EXPECT_EQ(focus, c.focus);
    }
}

} // namespace
} // namespace velomira
