// Reading, fitting, zooming and encoding pictures through the image layer.
#include "render/image/image_layer.h"

#include "render_fixture.h"
#include "support/picture_files.h"

#include <filesystem>
#include <fstream>

namespace velomira::testing {
namespace {

const Rgb kRed{255, 0, 0};
const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};

class ImageLayerTest : public RenderTest {};

// --- fitToCanvas -------------------------------------------------------------------------

TEST_F(ImageLayerTest, PictureOfTheCanvasSizeIsPlacedUnchangedAtTheOrigin) {
    auto picture =
        readPicture(writeSolidPicture(folder.file("a.png"), 400, 300, "#ff0000", "png"), "#000000");
    ASSERT_TRUE(picture);
    auto canvas = fitToCanvas(400, 300, picture, "#000000");
    ASSERT_TRUE(canvas);
    EXPECT_EQ(widthOf(canvas), 400);
    EXPECT_EQ(heightOf(canvas), 300);
    for (auto [x, y] : {std::pair{0, 0}, {399, 0}, {0, 299}, {399, 299}})
        EXPECT_EQ(pixelAt(canvas.get(), x, y), kRed) << x << "," << y;
}

TEST_F(ImageLayerTest, WidePictureIsFittedByWidthAndCentredVertically) {
    auto picture = readPicture(
        writeSolidPicture(folder.file("wide.png"), 4000, 1000, "#ff0000", "png"), "#000000");
    ASSERT_TRUE(picture);
    auto canvas = fitToCanvas(400, 400, picture, "#000000");
    EXPECT_EQ(widthOf(picture), 400); // shrunk in place
    EXPECT_EQ(heightOf(picture), 100);
    EXPECT_EQ(pixelAt(canvas.get(), 0, 149), kBlack);
    EXPECT_EQ(pixelAt(canvas.get(), 0, 150), kRed);
    EXPECT_EQ(pixelAt(canvas.get(), 399, 249), kRed);
    EXPECT_EQ(pixelAt(canvas.get(), 399, 250), kBlack);
}

TEST_F(ImageLayerTest, SmallPictureIsNeverEnlarged) {
    auto picture = readPicture(
        writeSolidPicture(folder.file("small.bmp"), 100, 100, "#ff0000", "bmp"), "#000000");
    ASSERT_TRUE(picture);
    auto canvas = fitToCanvas(400, 400, picture, "#000000");
    EXPECT_EQ(widthOf(picture), 100);
    EXPECT_EQ(heightOf(picture), 100);
    EXPECT_EQ(pixelAt(canvas.get(), 149, 149), kBlack);
    EXPECT_EQ(pixelAt(canvas.get(), 150, 150), kRed);
    EXPECT_EQ(pixelAt(canvas.get(), 249, 249), kRed);
    EXPECT_EQ(pixelAt(canvas.get(), 250, 250), kBlack);
}

struct FitCase {
    int canvasWidth, canvasHeight, width, height;
    int fittedWidth, fittedHeight;
};

TEST_F(ImageLayerTest, FittedSizeRoundsHalfUpAndNeverReachesZero) {
    const FitCase cases[] = {
        {640, 360, 1000, 562, 640, 360}, // 640.57 by height is too wide: fitted by width
        {360, 640, 1000, 562, 360, 202}, // portrait canvas
        {400, 300, 600, 400, 400, 267},  // 266.67 rounds up
        {10, 2, 5, 4, 3, 2},             // 2.5 rounds half up to 3
        {2, 2, 3, 5, 1, 2},              // tiny canvas
        {2, 2, 5, 3, 2, 1},
        {400, 400, 4000, 1, 400, 1}, // a zero height is kept at 1
        {400, 400, 1, 4000, 1, 400}, // a zero width is kept at 1
        {400, 400, 500, 300, 400, 240},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " into " << c.canvasWidth
                                          << "x" << c.canvasHeight);
        velomira::Image picture = makeCanvas(c.width, c.height, "#ff0000");
        auto canvas = fitToCanvas(c.canvasWidth, c.canvasHeight, picture, "#000000");
        ASSERT_TRUE(canvas);
        EXPECT_EQ(widthOf(canvas), c.canvasWidth);
        EXPECT_EQ(heightOf(canvas), c.canvasHeight);
        EXPECT_EQ(widthOf(picture), c.fittedWidth);
        EXPECT_EQ(heightOf(picture), c.fittedHeight);
        // The picture starts at the truncated half of the free space.
        const int left = (c.canvasWidth - c.fittedWidth) / 2;
        const int top = (c.canvasHeight - c.fittedHeight) / 2;
        EXPECT_TRUE(near(pixelAt(canvas.get(), left, top), kRed, 40));
        if (left > 0) {
            EXPECT_EQ(pixelAt(canvas.get(), left - 1, top), kBlack);
        }
        if (top > 0) {
            EXPECT_EQ(pixelAt(canvas.get(), left, top - 1), kBlack);
        }
    }
}

// --- readPicture normalisation ------------------------------------------------------------

TEST_F(ImageLayerTest, TransparencyIsFlattenedOntoTheFillColour) {
    const std::string path = writeTransparentPng(folder.file("clear.png"), 20, 20);
    for (auto [fill, expected] : {std::pair{"#000000", kBlack}, {"#ffffff", kWhite}}) {
        auto picture = readPicture(path, fill);
        ASSERT_TRUE(picture);
        EXPECT_EQ(pixelAt(picture.get(), 10, 10), expected) << fill;
        auto canvas = fitToCanvas(20, 20, picture, "#808080");
        EXPECT_EQ(pixelAt(canvas.get(), 10, 10), expected) << fill;
    }
}

TEST_F(ImageLayerTest, BitmapAlphaIsSwitchedOffNotFlattened) {
    const std::string path = writeBmpWithAlpha(folder.file("alpha.bmp"), 20, 20, "#ff000040");
    auto picture = readPicture(path, "#000000");
    ASSERT_TRUE(picture);
    EXPECT_EQ(MagickGetImageAlphaChannel(picture.get()), MagickFalse);
    // Flattening a quarter-opaque red onto black would give a dark red.
    EXPECT_EQ(pixelAt(picture.get(), 5, 5), kRed);
}

TEST_F(ImageLayerTest, CmykPictureIsTurnedIntoSrgb) {
    const std::string cmyk = writeCmykJpeg(folder.file("cmyk.jpg"), 32, 32, "#ff0000");
    const std::string rgb = writeSolidPicture(folder.file("rgb.jpg"), 32, 32, "#ff0000", "jpg");
    EXPECT_TRUE(isCmykPicture(cmyk));
    EXPECT_FALSE(isCmykPicture(rgb));
    EXPECT_FALSE(isCmykPicture(folder.file("missing.jpg")));
    auto picture = readPicture(cmyk, "#000000");
    ASSERT_TRUE(picture);
    EXPECT_EQ(MagickGetImageColorspace(picture.get()), sRGBColorspace);
    EXPECT_TRUE(near(pixelAt(picture.get(), 16, 16), kRed, 12));
}

TEST_F(ImageLayerTest, StillnessFollowsFrameCountAndDelay) {
    auto animated = newImage();
    ASSERT_EQ(MagickReadImage(
                  animated.get(),
                  writeAnimatedGif(folder.file("anim.gif"), 8, 8, "#ff0000", "#0000ff").c_str()),
              MagickTrue);
    EXPECT_FALSE(isStillPicture(animated));
    auto single =
        readPicture(writeSolidPicture(folder.file("one.gif"), 8, 8, "#00ff00", "gif"), "#000000");
    ASSERT_TRUE(single);
    EXPECT_TRUE(isStillPicture(single));
    EXPECT_FALSE(isStillPicture(velomira::Image()));
}

// --- zoomedFrame --------------------------------------------------------------------------

struct ZoomCase {
    int grow;
    int bottom; // first white row below the enlarged picture
};

TEST_F(ImageLayerTest, ZoomedPictureGrowsByTheFrameRatioRoundedHalfUp) {
    // 300x200 on a 400x300 frame: the height grows by 0.75 x grow, and the copy is placed at
    // minus half of the size difference, so its bottom edge shows where the rounding went.
    velomira::Image picture = makeCanvas(300, 200, "#ff0000");
    const ZoomCase cases[] = {
        {100, 263}, // 75.0: height 275, top -12
        {101, 264}, // 75.75 rounds up: height 276, top -12
        {102, 266}, // 76.5 rounds up: height 277, top -11
        {98, 261},  // 73.5 rounds up: height 274, top -13
    };
    for (const ZoomCase& c : cases) {
        SCOPED_TRACE(c.grow);
        auto frame = zoomedFrame(400, 300, picture, c.grow);
        ASSERT_TRUE(frame);
        EXPECT_EQ(widthOf(frame), 400);
        EXPECT_EQ(heightOf(frame), 300);
        EXPECT_TRUE(near(pixelAt(frame.get(), 200, c.bottom - 1), kRed, 3));
        EXPECT_EQ(pixelAt(frame.get(), 200, c.bottom), kWhite);
        EXPECT_TRUE(near(pixelAt(frame.get(), 0, 0), kRed, 3));
    }
    EXPECT_EQ(widthOf(picture), 300); // the caller's picture is not touched
}

TEST_F(ImageLayerTest, ZoomWithoutGrowthReproducesTheFrame) {
    velomira::Image picture = makeCanvas(64, 36, "#0000ff");
    auto frame = zoomedFrame(64, 36, picture, 0);
    EXPECT_EQ(pixelAt(frame.get(), 0, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(pixelAt(frame.get(), 63, 35), (Rgb{0, 0, 255}));
}

// --- encodeFrame --------------------------------------------------------------------------

// Horizontal and vertical sampling factor of each component in the frame header.
std::vector<int> jpegSampling(const Blob& blob) {
    const unsigned char* b = blob.bytes();
    std::size_t i = 2;
    while (i + 4 < blob.length) {
        if (b[i] != 0xFF)
            return {};
        const int marker = b[i + 1];
        const std::size_t length = (static_cast<std::size_t>(b[i + 2]) << 8) | b[i + 3];
        if (marker >= 0xC0 && marker <= 0xC2) {
            std::vector<int> factors;
            const int components = b[i + 9];
            for (int c = 0; c < components && i + 12 + 3 * c < blob.length; ++c)
                factors.push_back(b[i + 11 + 3 * c]);
            return factors;
        }
        i += 2 + length;
    }
    return {};
}

TEST_F(ImageLayerTest, FramesAreJpegWithFourTwoZeroSampling) {
    velomira::Image canvas = makeCanvas(64, 48, "#ff0000");
    EncodedFrame frame = encodeFrame(canvas);
    ASSERT_TRUE(frame);
    ASSERT_GE(frame.length, 4u);
    EXPECT_EQ(frame.bytes()[0], 0xFF);
    EXPECT_EQ(frame.bytes()[1], 0xD8);
    EXPECT_EQ(frame.bytes()[frame.length - 2], 0xFF);
    EXPECT_EQ(frame.bytes()[frame.length - 1], 0xD9);
    EXPECT_EQ(jpegSampling(frame), (std::vector<int>{0x22, 0x11, 0x11}));

    // A picture read from a 4:4:4 JPEG carries its own sampling; the frame must not inherit it.
    const std::string source = writeSolidPicture(folder.file("full.jpg"), 64, 48, "#00ff00", "jpg");
    auto picture = readPicture(source, "#000000");
    ASSERT_TRUE(picture);
    EncodedFrame again = encodeFrame(picture);
    EXPECT_EQ(jpegSampling(again), (std::vector<int>{0x22, 0x11, 0x11}));
    auto decoded = decode(again);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(widthOf(decoded), 64);
    EXPECT_TRUE(near(pixelAt(decoded.get(), 32, 24), Rgb{0, 255, 0}, 8));
}

TEST_F(ImageLayerTest, PreviewLogoIsDrawnOnACopyOnly) {
    velomira::Image canvas = makeCanvas(64, 64, "#ff0000");
    PreviewLogo logo{makeCanvas(16, 16, "#0000ff"), 8, 8};
    EncodedFrame frame = encodeFrame(canvas, &logo);
    auto decoded = decode(frame);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(near(pixelAt(decoded.get(), 15, 15), Rgb{0, 0, 255}, 12));
    EXPECT_TRUE(near(pixelAt(decoded.get(), 48, 48), kRed, 12));
    EXPECT_EQ(pixelAt(canvas.get(), 15, 15), kRed);
    EXPECT_EQ(jpegSampling(frame), (std::vector<int>{0x22, 0x11, 0x11}));
}

TEST_F(ImageLayerTest, NothingToEncodeGivesNoBytes) {
    velomira::Image none;
    EXPECT_FALSE(encodeFrame(none));
    EXPECT_FALSE(makeCanvas(0, 10, "#000000"));
}

// --- writePictureFile ---------------------------------------------------------------------

TEST_F(ImageLayerTest, WrittenFileKeepsItsNameLiterally) {
    velomira::Image canvas = makeCanvas(16, 16, "#00ff00");
    const std::string path = folder.file("cover%d [1].png");
    ASSERT_TRUE(writePictureFile(canvas, path));
    ASSERT_TRUE(std::filesystem::exists(path));
    auto back = readPicture(path, "#000000");
    ASSERT_TRUE(back);
    EXPECT_EQ(pixelAt(back.get(), 3, 3), (Rgb{0, 255, 0}));
    EXPECT_FALSE(writePictureFile(canvas, folder.file("no/such/folder/x.png")));
}

// --- describePicture ----------------------------------------------------------------------

std::string padTo(const std::string& path, std::uintmax_t size) {
    const std::uintmax_t have = std::filesystem::file_size(path);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << std::string(static_cast<std::size_t>(size - have), '\0');
    return path;
}

TEST_F(ImageLayerTest, DescriptionSwitchesUnitsAtOneKibibyteAndOneMebibyte) {
    struct Case {
        std::uintmax_t size;
        const char* text;
    } cases[] = {
        {1023, "尺寸: 8 x 6, 类型: PNG 图片, 大小: 1023 字节"},
        {1024, "尺寸: 8 x 6, 类型: PNG 图片, 大小: 1.0 KB"},
        {1536, "尺寸: 8 x 6, 类型: PNG 图片, 大小: 1.5 KB"},
        {1048575, "尺寸: 8 x 6, 类型: PNG 图片, 大小: 1024.0 KB"},
        {1048576, "尺寸: 8 x 6, 类型: PNG 图片, 大小: 1.0 MB"},
    };
    for (const Case& c : cases) {
        const std::string path = padTo(
            writeSolidPicture(folder.file(std::to_string(c.size) + ".png"), 8, 6, "#123456", "png"),
            c.size);
        ASSERT_EQ(std::filesystem::file_size(path), c.size);
        std::string text;
        EXPECT_TRUE(describePicture(path, text));
        EXPECT_EQ(text, c.text);
    }
    std::string text;
    EXPECT_FALSE(describePicture(folder.writeFile("bad.png", "not a picture"), text));
    EXPECT_EQ(text, "注意: 这不是一个有效的图片");
    EXPECT_TRUE(dialogs.messages().empty());
}

} // namespace
} // namespace velomira::testing
