#include "album/album_tables.h"
#include "app/text_conversion.h"
#include "platform/paths.h"
#include "render/caption_fonts.h"
#include "render/caption_renderer.h"
#include "render/image/magick_handles.h"
#include "support/picture_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

namespace velomira {
namespace {

using testing::near;
using testing::pixelAt;
using testing::Rgb;
using testing::TempFolder;
namespace fs = std::filesystem;

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};

int widthOf(const CaptionOverlay& c) {
    return static_cast<int>(MagickGetImageWidth(c.image.get()));
}
int heightOf(const CaptionOverlay& c) {
    return static_cast<int>(MagickGetImageHeight(c.image.get()));
}

double alphaAt(const CaptionOverlay& c, long x, long y) {
    Pixel pixel(NewPixelWand());
    MagickGetImagePixelColor(c.image.get(), x, y, pixel.get());
    return PixelGetAlpha(pixel.get());
}

// True when some pixel of the caption is within tolerance of the colour (and opaque).
bool contains(const CaptionOverlay& c, const Rgb& colour, int tolerance = 8) {
    for (long y = 0; y < heightOf(c); ++y)
        for (long x = 0; x < widthOf(c); ++x)
            if (alphaAt(c, x, y) > 0.99 && near(pixelAt(c.image.get(), x, y), colour, tolerance))
                return true;
    return false;
}

// Columns of the leftmost and rightmost pixel that is not the box colour.
std::pair<int, int> inkColumns(const CaptionOverlay& c, const Rgb& box) {
    int first = widthOf(c), last = -1;
    for (long y = 0; y < heightOf(c); ++y)
        for (long x = 0; x < widthOf(c); ++x)
            if (!near(pixelAt(c.image.get(), x, y), box, 40)) {
                first = std::min<int>(first, x);
                last = std::max<int>(last, x);
            }
    return {first, last};
}

class CaptionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        initImageLibrary();
        const CaptionFontTable table = buildCaptionFontTable(defaultFontFolders(homeFolder()));
        if (table.empty())
            GTEST_SKIP() << "no caption font installed (run the set-up script)";
        font = table.front().path;
    }

    CaptionOverlay box(int w, int h, int location, const std::string& text = "字幕 Ab") {
        return renderCaption(w, h, text, "#000000", "#ffffff", font, 16, location, margins);
    }
    CaptionOverlay outlined(int w, int h, int location, const std::string& text = "字幕 Ab") {
        return renderCaption(w, h, text, "#ffffff", "#ffffff", font, 16, location, margins);
    }

    std::string font;
    CaptionMargins margins;
};

TEST(CaptionColourText, IsHashAndLowercaseRedGreenBlue) {
    EXPECT_EQ(colorText(rgb(12, 11, 10)), "#0c0b0a");
    EXPECT_EQ(colorText(rgb(255, 0x61, 0x9d)), "#ff619d");
    EXPECT_EQ(colorText(0xff000000u | rgb(1, 2, 3)), "#010203");
}

TEST_F(CaptionTest, DefaultMarginsPlaceTheCaptionAsDocumented) {
    for (bool same : {false, true}) {
        SCOPED_TRACE(same ? "same" : "box");
        auto make = [&](int w, int h, int loc) {
            return same ? outlined(w, h, loc) : box(w, h, loc);
        };
        CaptionOverlay a = make(400, 400, 5);
        ASSERT_TRUE(a.image);
        EXPECT_EQ(a.x, 24.0);
        EXPECT_EQ(a.y, 24.0);

        CaptionOverlay b = make(800, 450, 5);
        EXPECT_EQ(b.x, 48.0);
        EXPECT_EQ(b.y, 27.0);

        CaptionOverlay c = make(400, 400, 4);
        EXPECT_EQ(c.y + heightOf(c), 340.0);
        EXPECT_EQ(c.x, 200 - widthOf(c) / 2);

        CaptionOverlay d = make(800, 450, 8);
        EXPECT_EQ(d.x + widthOf(d), 800 - 48);
        EXPECT_EQ(d.y + heightOf(d), 450 - 27);
    }
}

TEST_F(CaptionTest, MarginsBelowAQuarterPercentGiveNoOffset) {
    margins.left = margins.top = 0.000001f;
    CaptionOverlay c = box(400, 400, 5);
    EXPECT_EQ(c.x, 0.0);
    EXPECT_EQ(c.y, 0.0);
}

TEST_F(CaptionTest, BoxModeAddsPaddingAndFlushPositionsReachTheEdge) {
    CaptionOverlay plain = outlined(400, 400, 5);
    CaptionOverlay boxed = box(400, 400, 5);
    // 12 pixels of padding and 1 growth against the 3 pixels of the outline.
    EXPECT_EQ(widthOf(boxed) - widthOf(plain), 10);
    EXPECT_EQ(heightOf(boxed) - heightOf(plain), 10);

    for (int w : {400, 800}) {
        SCOPED_TRACE(w);
        const int extension = 6 * w / 400;
        CaptionOverlay middle = box(w, 400, 5);
        CaptionOverlay leftTop = box(w, 400, 0);
        CaptionOverlay leftBottom = box(w, 400, 1);
        CaptionOverlay rightTop = box(w, 400, 2);
        CaptionOverlay rightBottom = box(w, 400, 3);
        EXPECT_EQ(widthOf(leftTop), widthOf(middle) + extension);
        EXPECT_EQ(leftTop.x, 0.0);
        EXPECT_EQ(leftTop.y, 24.0);
        EXPECT_EQ(leftBottom.x, 0.0);
        EXPECT_EQ(leftBottom.y + heightOf(leftBottom), 376.0);
        EXPECT_EQ(rightTop.x + widthOf(rightTop), w);
        EXPECT_EQ(rightTop.y, 24.0);
        EXPECT_EQ(rightBottom.x + widthOf(rightBottom), w);
        EXPECT_EQ(rightBottom.y + heightOf(rightBottom), 376.0);
    }
    // Without a box there is no extension, yet the caption still touches the edge.
    CaptionOverlay outlinedLeft = outlined(400, 400, 0);
    EXPECT_EQ(widthOf(outlinedLeft), widthOf(plain));
    EXPECT_EQ(outlinedLeft.x, 0.0);
}

TEST_F(CaptionTest, FlushTextIsAlignedAwayFromTheEdge) {
    CaptionOverlay left = box(400, 400, 0);
    auto [leftFirst, leftLast] = inkColumns(left, kBlack);
    ASSERT_GE(leftLast, leftFirst);
    EXPECT_LT(widthOf(left) - 1 - leftLast, leftFirst); // nearer the right side

    CaptionOverlay right = box(400, 400, 2);
    auto [rightFirst, rightLast] = inkColumns(right, kBlack);
    ASSERT_GE(rightLast, rightFirst);
    EXPECT_LT(rightFirst, widthOf(right) - 1 - rightLast); // nearer the left side
    EXPECT_GE(rightFirst, 6);                              // the padding stays clear
}

TEST_F(CaptionTest, BoxModeDrawsTextOnTheBoxColour) {
    CaptionOverlay c = box(400, 400, 4);
    ASSERT_TRUE(c.image);
    EXPECT_EQ(c.keepOpacity, 0);
    const long w = widthOf(c), h = heightOf(c);
    for (auto [x, y] : {std::pair<long, long>{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
        EXPECT_TRUE(near(pixelAt(c.image.get(), x, y), kBlack)) << x << "," << y;
    for (long x = 0; x < w; ++x)
        ASSERT_TRUE(near(pixelAt(c.image.get(), x, 2), kBlack)) << "padding row touched at " << x;
    EXPECT_TRUE(contains(c, kWhite));
}

TEST_F(CaptionTest, SameColoursDrawOutlinedTextOnATransparentGround) {
    CaptionOverlay white = outlined(400, 400, 4);
    ASSERT_TRUE(white.image);
    EXPECT_EQ(white.keepOpacity, 1);
    const long w = widthOf(white), h = heightOf(white);
    for (auto [x, y] : {std::pair<long, long>{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
        EXPECT_EQ(alphaAt(white, x, y), 0.0) << x << "," << y;
    EXPECT_TRUE(contains(white, kWhite));
    EXPECT_TRUE(contains(white, kBlack)); // the outline

    CaptionOverlay black =
        renderCaption(400, 400, "字幕 Ab", "#000000", "#000000", font, 16, 4, margins);
    EXPECT_EQ(black.keepOpacity, 1);
    EXPECT_TRUE(contains(black, kWhite)); // outline of any colour but white is white
    EXPECT_TRUE(contains(black, kBlack));
}

TEST_F(CaptionTest, PinkBoxIsSharpenedAndKeepsItsColour) {
    CaptionOverlay c =
        renderCaption(400, 400, "粉底白字", "#ff619d", "#ffffff", font, 16, 1, margins);
    ASSERT_TRUE(c.image);
    EXPECT_TRUE(near(pixelAt(c.image.get(), 0, 0), Rgb{255, 0x61, 0x9d}, 4));
    EXPECT_TRUE(contains(c, kWhite, 40));

    CaptionOverlay pinkOutlined =
        renderCaption(400, 400, "粉色", "#ff619d", "#ff619d", font, 16, 6, margins);
    ASSERT_TRUE(pinkOutlined.image);
    EXPECT_EQ(pinkOutlined.keepOpacity, 1);
}

TEST_F(CaptionTest, UnknownLocationsBehaveAsMiddleBottom) {
    CaptionOverlay middle = box(400, 300, 4);
    std::set<std::pair<double, double>> positions;
    for (int location = 0; location <= 8; ++location) {
        CaptionOverlay c = box(400, 300, location);
        ASSERT_TRUE(c.image) << location;
        EXPECT_GE(c.x, 0.0) << location;
        EXPECT_LE(c.x + widthOf(c), 400.0) << location;
        positions.insert({c.x, c.y});
    }
    EXPECT_EQ(positions.size(), 9u);
    for (int location : {-1, 9, 1000}) {
        CaptionOverlay c = box(400, 300, location);
        EXPECT_EQ(c.x, middle.x) << location;
        EXPECT_EQ(c.y, middle.y) << location;
        EXPECT_EQ(widthOf(c), widthOf(middle)) << location;
    }
}

TEST_F(CaptionTest, CaptionWiderThanTheFrameStaysCentred) {
    // 195 bytes of mixed text: 45 Chinese characters and 60 Latin letters.
    std::string text;
    for (int i = 0; i < 15; ++i)
        text += "中文字abcd";
    text += std::string(195 - text.size(), 'x');
    ASSERT_EQ(text.size(), 195u);

    CaptionOverlay c = renderCaption(400, 400, text, "#000000", "#ffffff", font, 64, 4, margins);
    ASSERT_TRUE(c.image);
    ASSERT_GT(widthOf(c), 400);
    EXPECT_EQ(c.x, 200 - widthOf(c) / 2); // negative: both ends are cut off
    EXPECT_EQ(c.y + heightOf(c), 340.0);

    CaptionOverlay left = renderCaption(400, 400, text, "#ffffff", "#ffffff", font, 64, 5, margins);
    EXPECT_EQ(left.x, 24.0); // the start of the text stays visible
    CaptionOverlay right =
        renderCaption(400, 400, text, "#ffffff", "#ffffff", font, 64, 8, margins);
    EXPECT_EQ(right.x + widthOf(right), 376.0);
}

TEST_F(CaptionTest, MissingOrBrokenFontsFallBackAndStillDraw) {
    TempFolder folder;
    const std::string notAFont = folder.writeFile("x.ttf", "this is not a font\n");
    for (const std::string& file :
         {std::string(), notAFont, folder.file("missing.ttf"), folder.path().string()}) {
        SCOPED_TRACE(file);
        CaptionOverlay c =
            renderCaption(400, 400, "字幕 Ab", "#000000", "#ffffff", file, 16, 4, margins);
        ASSERT_TRUE(c.image);
        EXPECT_GT(widthOf(c), 14);
        EXPECT_TRUE(contains(c, kWhite));
    }
}

TEST_F(CaptionTest, TinyAndEmptyFramesDoNotFail) {
    for (int location = -1; location <= 9; ++location) {
        CaptionOverlay c = box(2, 2, location);
        ASSERT_TRUE(c.image) << location;
        EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
    }
    EXPECT_EQ(box(2, 2, 2).x + widthOf(box(2, 2, 2)), 2.0);
    EXPECT_FALSE(box(0, 400, 4).image);
    EXPECT_FALSE(box(400, -3, 4).image);
    // Point sizes outside the choice list are kept within bounds.
    CaptionOverlay zero = renderCaption(400, 400, "Ab", "#000000", "#ffffff", font, 0, 4, margins);
    ASSERT_TRUE(zero.image);
    EXPECT_GE(heightOf(zero), 14);
}

TEST_F(CaptionTest, TextIsDrawnLiterally) {
    // The library's file and property notations must not reach a caption.
    CaptionOverlay at = box(400, 400, 4, "@/etc/passwd");
    CaptionOverlay plain = box(400, 400, 4, "a/etc/passwd");
    ASSERT_TRUE(at.image);
    EXPECT_LT(std::abs(widthOf(at) - widthOf(plain)), 16);
}

// --- font table ---

class CaptionFontTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const CaptionFontTable system = buildCaptionFontTable(defaultFontFolders(homeFolder()));
        if (system.empty())
            GTEST_SKIP() << "no caption font installed to copy";
        fontBytes = system.front().path;
    }
    std::string put(const TempFolder& folder, const std::string& relative) const {
        const fs::path target = folder.path() / relative;
        fs::create_directories(target.parent_path());
        fs::copy_file(fontBytes, target);
        return target.string();
    }
    std::string fontBytes;
};

TEST_F(CaptionFontTableTest, FindsFilesCaseInsensitivelyInTableOrder) {
    TempFolder first;
    TempFolder second;
    const std::string kai = put(first, "deep/er/simkai.ttf");
    const std::string hei = put(first, "SIMHEI.TTF");
    put(first, "msyh.ttc");
    const std::string yahei = put(second, "MSYH.TTF"); // .ttf preferred wherever it is
    const std::string youyuan = put(second, "a/YouYuan.ttf");
    put(second, "SimHei.ttf"); // the first folder already has it
    const std::string wqy = put(second, "WQY-ZenHei.TTC");
    fs::create_directories(first.path() / "simsun.ttc"); // a folder is no font
    put(first, "simsun.ttc.bak");

    const CaptionFontTable table = buildCaptionFontTable(
        {first.path(), first.path() / "no-such-folder", second.path(), "/nonexistent/fonts"});
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[0].displayName, "黑体");
    EXPECT_EQ(table[0].path, hei);
    EXPECT_EQ(table[1].displayName, "楷体");
    EXPECT_EQ(table[1].path, kai);
    EXPECT_EQ(table[2].displayName, "微软雅黑");
    EXPECT_EQ(table[2].path, yahei);
    EXPECT_EQ(table[3].displayName, "幼圆");
    EXPECT_EQ(table[3].path, youyuan);
    EXPECT_EQ(table[4].displayName, "文泉驿正黑");
    EXPECT_EQ(table[4].path, wqy);

    EXPECT_EQ(lookupCaptionFont(table, "楷体"), kai);
    EXPECT_EQ(lookupCaptionFont(table, "宋体"), std::nullopt);
    EXPECT_EQ(lookupCaptionFont(table, ""), std::nullopt);
    EXPECT_TRUE(buildCaptionFontTable({}).empty());
}

TEST_F(CaptionFontTableTest, SecondChoiceFileIsTakenWhenTheFirstIsMissing) {
    TempFolder folder;
    const std::string msyhTtc = put(folder, "MSYH.TTC");
    const std::string simyou = put(folder, "x/SIMYOU.TTF");
    put(folder, "y/youyuan.ttf");
    const std::string puhui = put(folder, "Alibaba-PuHuiTi-Regular.ttf");
    const CaptionFontTable table = buildCaptionFontTable({folder.path()});
    EXPECT_EQ(lookupCaptionFont(table, "微软雅黑"), msyhTtc);
    EXPECT_EQ(lookupCaptionFont(table, "幼圆"), simyou);
    EXPECT_EQ(lookupCaptionFont(table, "阿里普惠体"), puhui);
}

TEST(CaptionFontTableSystem, InstalledFontsGiveAUsableTable) {
    const CaptionFontTable table = buildCaptionFontTable(defaultFontFolders(homeFolder()));
    ASSERT_FALSE(table.empty()) << "the set-up script installs fonts-wqy-zenhei and friends";
    for (const CaptionFont& font : table) {
        SCOPED_TRACE(font.displayName);
        EXPECT_TRUE(fs::is_regular_file(font.path));
        EXPECT_LE(gbkByteLength(font.displayName), 15u);
        EXPECT_EQ(
            convertText("GBK", "UTF-8", convertText("UTF-8", "GBK", font.displayName).value_or("")),
            font.displayName);
        EXPECT_EQ(lookupCaptionFont(table, font.displayName), font.path);
    }
}

} // namespace
} // namespace velomira
