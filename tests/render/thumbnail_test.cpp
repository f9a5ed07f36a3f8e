// The picture list's icon: geometry, border, and what refuses an icon.
#include "render/image/thumbnail.h"

#include "media/picture_probe.h"

#include "render_fixture.h"
#include "support/picture_files.h"

#include <algorithm>
#include <cstdlib>

namespace velomira::testing {
namespace {

const Rgb kBorder{0xd4, 0xd0, 0xc8};
const Rgb kWhite{255, 255, 255};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
    return out << "(" << b.left << "," << b.top << ")-(" << b.right << "," << b.bottom << ")";
}

// The extent of the picture inside the icon: every pixel that is clearly not white.
Box pictureExtent(MagickWand* icon) {
    Box box;
    const int w = static_cast<int>(MagickGetImageWidth(icon));
    const int h = static_cast<int>(MagickGetImageHeight(icon));
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            if (!near(pixelAt(icon, x, y), kWhite, 60)) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

velomira::Image iconOf(const std::string& path, int angle, ThumbnailDecode decodeMode) {
    Blob icon;
    EXPECT_EQ(makeThumbnailIcon(probePicture(path), 144, 144, angle, icon, decodeMode).status,
              ThumbnailStatus::Made);
    return decode(icon);
}

class ThumbnailTest : public RenderTest {};

TEST_F(ThumbnailTest, IconIsBorderedAndPictureCentred) {
    const std::string path = writeSolidPicture(folder.file("p.jpg"), 600, 400, "#ff0000", "jpg");
    auto icon = iconOf(path, 0, ThumbnailDecode::Reduced);
    ASSERT_TRUE(icon);
    EXPECT_EQ(widthOf(icon), 144);
    EXPECT_EQ(heightOf(icon), 144);
    for (auto [x, y] : {std::pair{0, 0}, {143, 0}, {0, 143}, {143, 143}, {0, 70}, {70, 143}})
        EXPECT_EQ(pixelAt(icon.get(), x, y), kBorder) << x << "," << y;
    // 600x400 becomes 142x94, placed 24 rows down inside the 1-pixel border.
    EXPECT_EQ(pictureExtent(icon.get()), (Box{1, 25, 142, 118}));
    // Turned a quarter: 400x600 becomes 94x142.
    EXPECT_EQ(pictureExtent(iconOf(path, 90, ThumbnailDecode::Reduced).get()),
              (Box{25, 1, 118, 142}));
}

TEST_F(ThumbnailTest, ReducedDecodeGivesTheGeometryOfAFullDecode) {
    struct Size {
        int width, height;
    } sizes[] = {{4000, 3000}, {1200, 700}, {700, 1200}, {1000, 130},
                 {145, 300},   {300, 143},  {150, 100},  {100, 60}};
    for (const Size& s : sizes) {
        const std::string path = writeSolidPicture(
            folder.file(std::to_string(s.width) + "x" + std::to_string(s.height) + ".jpg"), s.width,
            s.height, "#0000ff", "jpg");
        for (int angle : {0, 90, 180, 270}) {
            if (s.width == 4000 && angle != 0 && angle != 90)
                continue; // the large picture once per orientation is enough
            SCOPED_TRACE(::testing::Message() << s.width << "x" << s.height << " at " << angle);
            auto reduced = iconOf(path, angle, ThumbnailDecode::Reduced);
            auto full = iconOf(path, angle, ThumbnailDecode::Full);
            ASSERT_TRUE(reduced);
            ASSERT_TRUE(full);
            EXPECT_EQ(pictureExtent(reduced.get()), pictureExtent(full.get()));
        }
    }
}

TEST_F(ThumbnailTest, HeicIconComesFromItsEmbeddedThumbnailWithTheGeometryOfAFullDecode) {
    // From a JPEG: this heif-enc reads palette PNGs wrongly.
    const std::string png = writeSolidPicture(folder.file("h.jpg"), 600, 400, "#ff0000", "jpg");
    const std::string withThumbnail = folder.file("thumbnail.heic");
    const std::string without = folder.file("plain.heic");
    ASSERT_EQ(std::system(("heif-enc -q 50 -t 200 -o '" + withThumbnail + "' '" + png +
                           "' >/dev/null && convert '" + png + "' '" + without + "'")
                              .c_str()),
              0);
    for (const std::string& path : {withThumbnail, without})
        for (int angle : {0, 90}) {
            SCOPED_TRACE(::testing::Message() << path << " at " << angle);
            auto reduced = iconOf(path, angle, ThumbnailDecode::Reduced);
            auto full = iconOf(path, angle, ThumbnailDecode::Full);
            ASSERT_TRUE(reduced && full);
            EXPECT_EQ(pictureExtent(reduced.get()), pictureExtent(full.get()));
            EXPECT_TRUE(near(pixelAt(reduced.get(), 72, 72), pixelAt(full.get(), 72, 72), 12));
        }
}

TEST_F(ThumbnailTest, SmallPictureKeepsItsSize) {
    const std::string path = writeSolidPicture(folder.file("s.png"), 40, 20, "#00ff00", "png");
    EXPECT_EQ(pictureExtent(iconOf(path, 0, ThumbnailDecode::Reduced).get()),
              (Box{52, 62, 91, 81}));
}

TEST_F(ThumbnailTest, AnimationIsRefusedAndASingleFrameGifAccepted) {
    Blob icon;
    const std::string animated =
        writeAnimatedGif(folder.file("a.gif"), 30, 30, "#ff0000", "#0000ff");
    EXPECT_EQ(makeThumbnailIcon(probePicture(animated), 144, 144, 0, icon).status,
              ThumbnailStatus::NotStill);
    EXPECT_FALSE(icon);
    const std::string still = writeSolidPicture(folder.file("s.gif"), 30, 30, "#ff0000", "gif");
    EXPECT_EQ(makeThumbnailIcon(probePicture(still), 144, 144, 0, icon).status,
              ThumbnailStatus::Made);
    EXPECT_TRUE(icon);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(ThumbnailTest, UnusualColourModelsComeOutAsOpaqueColour) {
    struct Case {
        std::string path;
        Rgb centre;
    } cases[] = {
        {writeCmykJpeg(folder.file("cmyk.jpg"), 300, 300, "#ff0000"), {255, 0, 0}},
        {writeBmpWithAlpha(folder.file("alpha.bmp"), 300, 300, "#ff000040"), {255, 0, 0}},
        {writeTransparentPng(folder.file("clear.png"), 300, 300), kWhite},
    };
    for (const Case& c : cases) {
        auto icon = iconOf(c.path, 0, ThumbnailDecode::Reduced);
        ASSERT_TRUE(icon) << c.path;
        EXPECT_TRUE(near(pixelAt(icon.get(), 72, 72), c.centre, 12)) << c.path;
    }
}

TEST_F(ThumbnailTest, BoxTooSmallForAPictureGivesNoIcon) {
    Blob icon;
    const std::string path = writeSolidPicture(folder.file("p.png"), 8, 8, "#ff0000", "png");
    EXPECT_EQ(makeThumbnailIcon(probePicture(path), 2, 2, 0, icon).status,
              ThumbnailStatus::NotMade);
    EXPECT_FALSE(icon);
}

} // namespace
} // namespace velomira::testing
