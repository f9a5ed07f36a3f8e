// The formats of today through the header readers, the orientation reader and the single look,
// on pictures made by scripts/make_format_pictures.sh (ImageMagick and exiftool).
#include "media/exif_orientation.h"
#include "media/header_probe.h"
#include "media/picture_probe.h"
#include "support/format_pictures.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using PictureFormatsTest = testing::FormatPicturesTest;

TEST_F(PictureFormatsTest, KindsSizesTextsAndOrientationsComeFromTheBytes) {
    struct Case {
        const char* name;
        PictureKind kind;
        const char* format; // nullptr: the size readers refuse it
        int width, height;
        int orientation;
        int turn; // the quarter turn that shows it upright
    };
    const Case cases[] = {
        {"s.webp", PictureKind::Webp, "WEBP", 24, 40, 0, 0},
        {"s.heic", PictureKind::Heif, "HEIC", 24, 40, 0, 0},
        {"s.avif", PictureKind::Avif, "AVIF", 24, 40, 0, 0},
        {"s.tif", PictureKind::Tiff, "TIFF", 24, 40, 1, 0},
        {"pages.tif", PictureKind::Tiff, "TIFF", 24, 40, 1, 0},
        {"cmyk.tif", PictureKind::Tiff, "TIFF", 20, 10, 1, 0},
        {"o6.jpg", PictureKind::Jpeg, "JPEG", 40, 24, 6, 90},
        {"o6.tif", PictureKind::Tiff, "TIFF", 40, 24, 6, 90},
        {"o6.webp", PictureKind::Webp, "WEBP", 40, 24, 6, 90},
        {"o6.heic", PictureKind::Heif, "HEIC", 24, 40, 0, 0}, // its own boxes turn it
        {"o9.jpg", PictureKind::Jpeg, "JPEG", 40, 24, 0, 0},  // no such orientation
        {"plain.jpg", PictureKind::Jpeg, "JPEG", 24, 40, 0, 0},
        {"upright.png", PictureKind::Png, "PNG", 24, 40, 0, 0},
        {"anim.webp", PictureKind::Animated, nullptr, 0, 0, 0, 0},
        {"lying.webp", PictureKind::Unrecognised, nullptr, 0, 0, 0, 0},
        {"truncated.heic", PictureKind::Heif, nullptr, 0, 0, 0, 0},
        {"ispe.heic", PictureKind::Heif, nullptr, 0, 0, 0, 0},
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

        // The single look gives the same facts from one open of the file.
        const PictureFacts facts = probePicture(path);
        EXPECT_EQ(facts.path, path);
        EXPECT_EQ(facts.kind, c.kind);
        EXPECT_EQ(facts.sized, c.format != nullptr);
        EXPECT_EQ(facts.header.formatName, c.format ? c.format : "");
        EXPECT_EQ(facts.header.width, c.width);
        EXPECT_EQ(facts.header.height, c.height);
        EXPECT_EQ(facts.orientation, c.orientation);
        EXPECT_EQ(facts.uprightTurn(), c.turn);
        EXPECT_EQ(facts.animated(), c.kind == PictureKind::Animated);
        EXPECT_EQ(facts.still(),
                  c.kind != PictureKind::Animated && c.kind != PictureKind::Unrecognised);
    }
    const PictureFacts missing = probePicture(file("missing.jpg"));
    EXPECT_EQ(missing.kind, PictureKind::Unreadable);
    EXPECT_FALSE(missing.sized || missing.still() || missing.animated());
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

} // namespace
} // namespace velomira
