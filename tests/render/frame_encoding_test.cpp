// Frame bytes in every format (JPEG from 8-bit pixels, raw RGB, 4:2:0 planes of any size) and
// the reduced decode of pictures much larger than their place in the frame.
#include "render/frame_sequencer.h"
#include "render/image/frame_encoding.h"
#include "render/image/pixel_blend.h"

#include "render_fixture.h"

#include "support/picture_files.h"
#include "support/recording_sink.h"
#include <algorithm>

namespace velomira {
namespace {

using namespace velomira::testing;

std::vector<unsigned char> pixelsOf(MagickWand* image) {
    std::vector<unsigned char> rgb;
    exportRgb24(image, rgb);
    return rgb;
}

double meanDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.size() != b.size() || a.empty())
        return 255.0;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / static_cast<double>(a.size());
}

TEST(FrameFormat, RawSizesTransportsAndPlanesOfSolidColours) {
    EXPECT_EQ(rawFrameBytes(FrameFormat::Rgb24, 160, 90), 160u * 90 * 3);
    EXPECT_EQ(rawFrameBytes(FrameFormat::Yuv420p, 482, 270), 482u * 270 + 2 * 241 * 135);
    EXPECT_EQ(rawFrameBytes(FrameFormat::Yuv420p, 5, 3), 15u + 2 * 3 * 2);
    EXPECT_EQ(rawFrameBytes(FrameFormat::Yuv420p, 0, 90), 0u);
    EXPECT_EQ(rawFrameBytes(FrameFormat::Jpeg, 160, 90), 0u);
    EXPECT_EQ(frameFormatForTransport(FrameTransport::RawPixels), kRawFrameFormat);
    EXPECT_EQ(frameFormatForTransport(static_cast<FrameTransport>(7)), FrameFormat::Jpeg);
    // BT.601 limited range, as the encoder converts RGB itself.
    const struct {
        unsigned char r, g, b;
        int y, u, v;
    } colours[] = {
        {255, 255, 255, 235, 128, 128}, {0, 0, 0, 16, 128, 128},   {255, 0, 0, 82, 90, 240},
        {0, 255, 0, 144, 54, 34},       {0, 0, 255, 41, 240, 110},
    };
    for (auto [width, height] : {std::pair{4, 2}, std::pair{5, 3}, std::pair{1, 1}}) {
        for (const auto& c : colours) {
            std::vector<unsigned char> rgb;
            for (int i = 0; i < width * height; ++i)
                rgb.insert(rgb.end(), {c.r, c.g, c.b});
            std::vector<unsigned char> out(rawFrameBytes(FrameFormat::Yuv420p, width, height));
            rgb24ToYuv420p(rgb.data(), width, height, out.data());
            const std::size_t luma = static_cast<std::size_t>(width) * height;
            const std::size_t chroma = (out.size() - luma) / 2;
            for (std::size_t i = 0; i < out.size(); ++i)
                ASSERT_EQ(out[i], i < luma            ? c.y
                                  : i < luma + chroma ? c.u
                                                      : c.v)
                    << width << "x" << height << " byte " << i;
        }
    }
}

TEST_F(RenderTest, JpegFramesMatchTheLibrarysOwnWriter) {
    Image picture = readPicture(writeGradientJpeg(folder.file("g.jpg"), 96, 54), "#ffffff");
    ASSERT_TRUE(picture);
    Image copy = cloneImage(picture);
    MagickSetOption(copy.get(), "jpeg:sampling-factor", "2x2,1x1,1x1");
    MagickSetImageFormat(copy.get(), "JPEG");
    std::size_t length = 0;
    unsigned char* bytes = MagickGetImageBlob(copy.get(), &length);
    const auto library = pixelsOf(decode(adoptBlob(bytes, length)).get());
    const auto ours = pixelsOf(decode(encodeFrame(picture)).get());
    const auto source = pixelsOf(picture.get());
    // Within a step or two of the same pixels, and no further from the source.
    EXPECT_LT(meanDifference(ours, library), 1.5);
    EXPECT_LT(meanDifference(ours, source), meanDifference(library, source) + 0.5);
}

TEST_F(RenderTest, LargePicturesAreDecodedAtTwiceTheirFittedSize) {
    AlbumItem item;
    item.path = writeGradientJpeg(folder.file("big.jpg"), 960, 720);
    VideoSettings settings;
    setCustomVideoSize(settings, 160, 90);
    const struct {
        int turn;
        std::pair<int, int> hint;
    } cases[] = {{0, {240, 180}}, {90, {180, 136}}, {180, {240, 180}}, {45, {0, 0}}};
    for (const auto& c : cases) {
        item.turnAngle = c.turn;
        EXPECT_EQ(pictureSizeHint(settings, item), c.hint) << c.turn;
    }
    setCustomVideoSize(settings, 90, 160); // the turned picture fills a portrait frame's height
    item.turnAngle = 90;
    EXPECT_EQ(pictureSizeHint(settings, item), (std::pair{240, 180}));
    setCustomVideoSize(settings, 1280, 720);
    item.turnAngle = 0;
    EXPECT_EQ(pictureSizeHint(settings, item), (std::pair{0, 0})); // not twice as large

    // The decoder scales by eighths, never below the hint, and the fit looks the same.
    Image reduced = readPicture(item.path, "#ffffff", {240, 180});
    Image whole = readPicture(item.path, "#ffffff");
    EXPECT_EQ(widthOf(reduced), 240);
    EXPECT_EQ(heightOf(reduced), 180);
    Image a = fitToCanvas(160, 90, whole, "#ffffff");
    Image b = fitToCanvas(160, 90, reduced, "#ffffff");
    EXPECT_LT(meanDifference(pixelsOf(a.get()), pixelsOf(b.get())), 2.0);
}

// Rewrites a picture as a progressive JPEG or a 16-bit PNG.
std::string rewritten(const std::string& source, const std::string& path, bool progressive) {
    Image image = newImage();
    MagickReadImage(image.get(), source.c_str());
    if (progressive)
        MagickSetInterlaceScheme(image.get(), JPEGInterlace);
    else
        MagickSetImageDepth(image.get(), 16);
    MagickWriteImage(image.get(), path.c_str());
    return path;
}

TEST_F(RenderTest, AwkwardPicturesGiveWholeFramesInEveryFormat) {
    const std::string gradient = writeGradientJpeg(folder.file("g.jpg"), 640, 480);
    const std::string pictures[] = {
        gradient,
        rewritten(gradient, folder.file("progressive.jpg"), true),
        rewritten(gradient, folder.file("deep.png"), false),
        writeCmykJpeg(folder.file("cmyk.jpg"), 320, 240, "#20a040"),
        writeSolidPicture(folder.file("small.png"), 30, 20, "#ff0000", "png"),
    };
    AlbumProject project;
    setCustomVideoSize(project.settings, 161, 91); // odd both ways
    project.settings.stillFrames = 2;
    for (const std::string& picture : pictures) {
        AlbumItem item;
        item.path = picture;
        item.animationIndex = 31;
        for (FrameFormat format : {FrameFormat::Jpeg, FrameFormat::Yuv420p, FrameFormat::Rgb24}) {
            SCOPED_TRACE(picture + " " + std::to_string(static_cast<int>(format)));
            RecordingSink sink;
            SequencerContext context;
            context.project = &project;
            context.sink = &sink;
            context.format = format;
            ASSERT_EQ(renderPicture(context, item, Image()).status, PictureStatus::Rendered);
            ASSERT_EQ(sink.count(), countPictureFrames(project, item));
            EXPECT_TRUE(sink.repeatsMatchPrevious());
            const std::size_t raw = rawFrameBytes(format, 161, 91);
            for (const Delivery& delivery : sink.deliveries())
                ASSERT_EQ(raw ? delivery.bytes.size() : delivery.bytes.find("\xFF\xD8"), raw);
            if (format != FrameFormat::Rgb24)
                continue;
            // The transition ends exactly on the picture canvas.
            Image read = readPicture(picture, "#ffffff", pictureSizeHint(project.settings, item));
            Image canvas = fitToCanvas(161, 91, read, "#ffffff");
            const auto rgb = pixelsOf(canvas.get());
            EXPECT_EQ(sink.deliveries().back().bytes, std::string(rgb.begin(), rgb.end()));
        }
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

// Every pair of samples at the weights a fade uses and at the clamped ends, over a length that
// leaves a tail after the vectorised blocks, written into a separate buffer and over an input.
TEST(PixelBlend, PercentBlendRoundsEveryPairToNearest) {
    std::vector<unsigned char> over(65536 + 7), under(over.size());
    for (std::size_t i = 0; i < over.size(); ++i) {
        over[i] = static_cast<unsigned char>(i & 255);
        under[i] = static_cast<unsigned char>((i >> 8) & 255);
    }
    FrameBuffer out(over.size());
    ASSERT_EQ(out.size(), over.size());
    EXPECT_EQ(std::count(out.data(), out.data() + out.size(), 0), static_cast<long>(out.size()));
    EXPECT_TRUE(FrameBuffer(0).empty());
    for (int percent : {-5, 0, 1, 2, 6, 33, 50, 94, 99, 100, 150}) {
        const int p = std::clamp(percent, 0, 100);
        blendPercent(over.data(), under.data(), over.size(), percent, out.data());
        std::vector<unsigned char> inPlace = over;
        blendPercent(inPlace.data(), under.data(), over.size(), percent, inPlace.data());
        FrameBuffer moved = std::move(out);
        out = std::move(moved);
        ASSERT_FALSE(out.empty());
        for (std::size_t i = 0; i < over.size(); ++i) {
            const int expected = (over[i] * p + under[i] * (100 - p) + 50) / 100;
            ASSERT_EQ(out.data()[i], expected)
                << percent << "% of " << int(over[i]) << ", " << int(under[i]);
            ASSERT_EQ(inPlace[i], expected) << percent << "% in place, sample " << i;
        }
    }
}

// A frame given as pixels is coded as the same frame given as an image, the preview logo
// included.
TEST_F(RenderTest, PixelFramesCodeAsTheirImages) {
    const std::string path = writeGradientJpeg(folder.file("g.jpg"), 48, 30);
    velomira::Image image = newImage();
    ASSERT_EQ(MagickReadImage(image.get(), path.c_str()), MagickTrue);
    const std::vector<unsigned char> rgb = pixelsOf(image.get());
    PreviewLogo logo{makeCanvas(8, 6, "#00ff00"), 3, 4};
    for (FrameFormat format : {FrameFormat::Jpeg, FrameFormat::Rgb24, FrameFormat::Yuv420p}) {
        for (const PreviewLogo* withLogo :
             {static_cast<const PreviewLogo*>(nullptr), static_cast<const PreviewLogo*>(&logo)}) {
            const Blob fromImage = encodeFrame(image, withLogo, format);
            const Blob fromPixels = encodeFrame(rgb.data(), 48, 30, withLogo, format);
            ASSERT_FALSE(fromPixels.empty());
            EXPECT_EQ(std::string(fromImage.bytes(), fromImage.bytes() + fromImage.length),
                      std::string(fromPixels.bytes(), fromPixels.bytes() + fromPixels.length))
                << static_cast<int>(format) << (withLogo ? " with logo" : "");
        }
    }
    EXPECT_TRUE(encodeFrame(nullptr, 48, 30).empty());
}

} // namespace
} // namespace velomira
