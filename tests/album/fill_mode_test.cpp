#include "album/album_model.h"
#include "album/fill_mode.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace velomira {
namespace {

TEST(FillModeNames, EveryNameReadsBackAndOthersAreRefused) {
    const struct {
        const char* name;
        std::optional<FillMode> mode;
    } cases[] = {{"fit", FillMode::Fit},  {"crop", FillMode::Crop}, {"blur", FillMode::Blur},
                 {"", std::nullopt},      {"Blur", std::nullopt},   {"fill", std::nullopt},
                 {"crop ", std::nullopt}, {"2", std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseFillMode(c.name), c.mode);
        if (c.mode) {
            EXPECT_EQ(std::string(fillModeName(*c.mode)), c.name);
        }
    }
}

TEST(FillModeNames, PictureMenuStartsWithTheAlbumsChoiceThenEachMode) {
    EXPECT_EQ(itemFillChoiceAt(0), std::nullopt);
    EXPECT_EQ(itemFillChoiceIndex(std::nullopt), 0);
    for (int i = 1; i < kItemFillChoiceCount; ++i) {
        const auto mode = itemFillChoiceAt(i);
        ASSERT_TRUE(mode);
        EXPECT_EQ(itemFillChoiceIndex(mode), i);
        EXPECT_STREQ(itemFillChoiceLabel(i), fillModeLabel(*mode));
    }
    EXPECT_EQ(itemFillChoiceAt(kItemFillChoiceCount), std::nullopt);
    EXPECT_STREQ(itemFillChoiceLabel(kItemFillChoiceCount), "");
}

// A new album's mode follows its size until the user picks one; a fixed preference never moves.
TEST(NewAlbumFill, FollowsTheSizeOnlyUntilAModeIsPicked) {
    const struct {
        NewAlbumFill preference;
        int width, height;
        FillMode expected;
    } cases[] = {
        {NewAlbumFill::FollowSize, 1080, 1920, FillMode::Blur},
        {NewAlbumFill::FollowSize, 720, 960, FillMode::Blur},
        {NewAlbumFill::FollowSize, 1920, 1080, FillMode::Fit},
        {NewAlbumFill::FollowSize, 1080, 1080, FillMode::Fit},
        {NewAlbumFill::Fit, 1080, 1920, FillMode::Fit},
        {NewAlbumFill::Crop, 1920, 1080, FillMode::Crop},
        {NewAlbumFill::Blur, 1920, 1080, FillMode::Blur},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        AlbumProject album;
        album.settings.newAlbumFill = c.preference;
        resetProjectOptions(album, "");
        EXPECT_EQ(album.settings.fillMode, c.preference == NewAlbumFill::FollowSize
                                               ? FillMode::Fit
                                               : newAlbumFillMode(c.preference, 0, 0));
        ASSERT_GE(setCustomVideoSize(album.settings, c.width, c.height), 0);
        EXPECT_EQ(album.settings.fillMode, c.expected);

        chooseFillMode(album.settings, FillMode::Crop);
        ASSERT_GE(setCustomVideoSize(album.settings, c.height, c.width), 0);
        EXPECT_EQ(album.settings.fillMode, FillMode::Crop);
    }
}

TEST(ItemFillMode, OverrideWinsAndTravelsWithThePicture) {
    AlbumProject album;
    TransitionRandom random(3);
    insertAlbumItem(album, "/a.jpg", -1, false, random);
    insertAlbumItem(album, "/b.jpg", -1, false, random);
    chooseFillMode(album.settings, FillMode::Blur);
    ASSERT_TRUE(setAlbumItemFillMode(album, 1, FillMode::Crop));
    EXPECT_FALSE(setAlbumItemFillMode(album, 2, FillMode::Crop));
    EXPECT_EQ(itemFillMode(album.settings, album.items[0]), FillMode::Blur);
    EXPECT_EQ(itemFillMode(album.settings, album.items[1]), FillMode::Crop);
    ASSERT_TRUE(moveAlbumItemUp(album, 1));
    EXPECT_EQ(album.items[0].path, "/b.jpg");
    EXPECT_EQ(itemFillMode(album.settings, album.items[0]), FillMode::Crop);
    EXPECT_EQ(itemFillMode(album.settings, album.items[1]), FillMode::Blur);
}

} // namespace
} // namespace velomira
