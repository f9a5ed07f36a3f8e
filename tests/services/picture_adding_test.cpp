// Adding one picture without its list icon, on pictures of today's formats made by
// scripts/make_format_pictures.sh (ImageMagick and exiftool).
#include "services/picture_batch.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace velomira {
namespace {

class PictureAddingTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder = std::make_unique<testing::TempFolder>();
        const std::string command = std::string(VELOMIRA_FORMAT_PICTURES_SCRIPT) + " '" +
                                    folder->path().string() + "' >/dev/null";
        made = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { folder.reset(); }
    void SetUp() override { ASSERT_TRUE(made) << "make_format_pictures.sh failed"; }
    static std::string file(const char* name) { return folder->file(name); }

    static inline std::unique_ptr<testing::TempFolder> folder;
    static inline bool made = false;
};

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
