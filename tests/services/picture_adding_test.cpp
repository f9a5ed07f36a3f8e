// Adding one picture without its list icon, on pictures of today's formats made by
// scripts/make_format_pictures.sh (ImageMagick and exiftool).
#include "services/picture_batch.h"
#include "support/format_pictures.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using PictureAddingTest = testing::FormatPicturesTest;

TEST_F(PictureAddingTest, AddingTurnsPhotosUprightUnlessToldNotTo) {
    AlbumProject album;
    TransitionRandom random(7);
    const std::pair<const char*, int> added[] = {
        {"o6.jpg", 90}, {"o3.jpg", 180}, {"o6.heic", 0}, {"s.webp", 0}, {"o8.jpg", 270}};
    for (auto [name, angle] : added) {
        const AddPictureResult result = addPicture(album, file(name), -1, false, random);
        ASSERT_EQ(result.status, AddPictureStatus::Added) << name;
        EXPECT_EQ(albumItemAt(album, result.position)->turnAngle, angle) << name;
    }
    const AddPictureResult off = addPicture(album, file("o6.jpg"), -1, false, random, false);
    EXPECT_EQ(albumItemAt(album, off.position)->turnAngle, 0);

    const AddPictureResult animated = addPicture(album, file("anim.webp"), -1, false, random);
    EXPECT_EQ(animated.status, AddPictureStatus::Refused);
    EXPECT_EQ(animated.infoLine, "不支持动画图片:\r\n" + file("anim.webp"));
    const AddPictureResult lying = addPicture(album, file("lying.webp"), -1, false, random);
    EXPECT_EQ(lying.infoLine, "无法识别的图片:\r\n" + file("lying.webp"));
    EXPECT_EQ(albumItemCount(album), 6);
}

} // namespace
} // namespace velomira
