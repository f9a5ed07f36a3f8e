// The formats of today through the header readers, the orientation reader and picture adding,
// on pictures made by scripts/make_format_pictures.sh (ImageMagick and exiftool).
#include "media/exif_orientation.h"
#include "media/header_probe.h"
#include "media/picture_adding.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace velomira {
namespace {

class PictureFormatsTest : public ::testing::Test {
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

TEST_F(PictureFormatsTest, KindsSizesTextsAndOrientationsComeFromTheBytes) {
    struct Case {
        const char* name;
        int kind;
        const char* format; // nullptr: the size readers refuse it
        int width, height;
        int orientation;
    };
    const Case cases[] = {
        {"s.webp", kImageKindWebp, "WEBP", 24, 40, 0},
        {"s.heic", kImageKindHeif, "HEIC", 24, 40, 0},
        {"s.avif", kImageKindAvif, "AVIF", 24, 40, 0},
        {"s.tif", kImageKindTiff, "TIFF", 24, 40, 1},
        {"pages.tif", kImageKindTiff, "TIFF", 24, 40, 1},
        {"cmyk.tif", kImageKindTiff, "TIFF", 20, 10, 1},
        {"o6.jpg", kImageKindJpeg, "JPEG", 40, 24, 6},
        {"o6.tif", kImageKindTiff, "TIFF", 40, 24, 6},
        {"o6.webp", kImageKindWebp, "WEBP", 40, 24, 6},
        {"o6.heic", kImageKindHeif, "HEIC", 24, 40, 0}, // its own boxes turn it
        {"o9.jpg", kImageKindJpeg, "JPEG", 40, 24, 0},  // no such orientation
        {"plain.jpg", kImageKindJpeg, "JPEG", 24, 40, 0},
        {"upright.png", kImageKindPng, "PNG", 24, 40, 0},
        {"anim.webp", kImageKindAnimated, nullptr, 0, 0, 0},
        {"lying.webp", kImageKindUnrecognised, nullptr, 0, 0, 0},
        {"truncated.heic", kImageKindHeif, nullptr, 0, 0, 0},
        {"ispe.heic", kImageKindHeif, nullptr, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = file(c.name);
        EXPECT_EQ(probeImageKind(path), c.kind);
        std::string format;
        int width = 0, height = 0;
        std::string text;
        ASSERT_EQ(readImageHeader(path, &format, &width, &height), c.format ? 1 : 0);
        ASSERT_EQ(describeImageFile(path, text), c.format ? 1 : 0);
        if (c.format) {
            EXPECT_EQ(format, c.format);
            EXPECT_EQ(width, c.width);
            EXPECT_EQ(height, c.height);
            EXPECT_EQ(text.find("尺寸: " + std::to_string(c.width) + " x " +
                                std::to_string(c.height) + ", 类型: " + c.format + " 图片, 大小: "),
                      0u)
                << text;
        }
        EXPECT_EQ(readExifOrientation(path), c.orientation);
    }
}

TEST_F(PictureFormatsTest, EveryOrientationGivesTheTurnThatShowsItUpright) {
    // Mirrored orientations (2, 4, 5, 7) get their turn only.
    const int expected[10] = {0, 0, 0, 180, 180, 90, 90, 270, 270, 0};
    for (int o = 1; o <= 9; ++o) {
        const std::string name = "o" + std::to_string(o) + ".jpg";
        const int stored = readExifOrientation(file(name.c_str()));
        EXPECT_EQ(stored, o <= 8 ? o : 0) << name;
        EXPECT_EQ(turnAngleForOrientation(stored), expected[o]) << name;
    }
}

TEST_F(PictureFormatsTest, AddingTurnsPhotosUprightUnlessToldNotTo) {
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
