// Frame bytes in every format: JPEG from 8-bit pixels, raw RGB, and 4:2:0 planes of any size;
// and the reduced decode of pictures much larger than their place in the frame.
#include "render/frame_sequencer.h"
#include "render/image/frame_encoding.h"

#include "render_fixture.h"
#include "support/picture_files.h"
#include "support/recording_sink.h"

namespace velomira {
namespace {

using namespace velomira::testing;

TEST(FrameFormat, RawSizesAndTransportChoice) {
    const struct {
        FrameFormat format;
        int width, height;
        std::size_t bytes;
    } cases[] = {
        {FrameFormat::Rgb24, 160, 90, 160 * 90 * 3},
        {FrameFormat::Yuv420p, 160, 90, 160 * 90 + 2 * 80 * 45},
        {FrameFormat::Yuv420p, 482, 270, 482 * 270 + 2 * 241 * 135},
        {FrameFormat::Yuv420p, 5, 3, 15 + 2 * 3 * 2},
        {FrameFormat::Yuv420p, 1, 1, 3},
        {FrameFormat::Yuv420p, 0, 90, 0},
        {FrameFormat::Jpeg, 160, 90, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rawFrameBytes(c.format, c.width, c.height), c.bytes)
            << c.width << "x" << c.height;
    EXPECT_EQ(frameFormatForTransport(0), FrameFormat::Jpeg);
    EXPECT_EQ(frameFormatForTransport(1), kRawFrameFormat);
    EXPECT_EQ(frameFormatForTransport(7), FrameFormat::Jpeg);
    EXPECT_STREQ(rawPixelFormatName(FrameFormat::Yuv420p), "yuv420p");
    EXPECT_STREQ(rawPixelFormatName(FrameFormat::Rgb24), "rgb24");
}

TEST(FrameFormat, PlanesOfSolidColoursAtEvenAndOddSizes) {
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
            for (std::size_t i = 0; i < out.size(); ++i) {
                const int expected = i < luma ? c.y : i < luma + chroma ? c.u : c.v;
                ASSERT_EQ(out[i], expected) << width << "x" << height << " byte " << i;
            }
        }
    }
}

TEST_F(RenderTest, EveryFormatCarriesTheFramesPixels) {
    const std::string source = writeGradientJpeg(folder.file("g.jpg"), 96, 54);
    Image picture = readPicture(source, "#ffffff");
    ASSERT_TRUE(picture);
    std::vector<unsigned char> rgb;
    ASSERT_TRUE(exportRgb24(picture.get(), rgb));

    EncodedFrame raw = encodeFrame(picture, nullptr, FrameFormat::Rgb24);
    ASSERT_EQ(raw.length, rgb.size());
    EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), raw.bytes())); // exact before the encoder

    EncodedFrame planes = encodeFrame(picture, nullptr, FrameFormat::Yuv420p);
    EXPECT_EQ(planes.length, rawFrameBytes(FrameFormat::Yuv420p, 96, 54));

    // JPEG frames as the imaging library's own writer made them (quality 92, 4:2:0) decode to
    // the same pixels within a step or two, and lose no more than it does.
    auto meanDifference = [&](const Blob& blob, const std::vector<unsigned char>& to) {
        Image decoded = decode(blob);
        std::vector<unsigned char> back;
        if (!decoded || !exportRgb24(decoded.get(), back) || back.size() != to.size())
            return 255.0;
        double sum = 0;
        for (std::size_t i = 0; i < to.size(); ++i)
            sum += std::abs(int(to[i]) - int(back[i]));
        return sum / static_cast<double>(to.size());
    };
    EncodedFrame jpeg = encodeFrame(picture, nullptr, FrameFormat::Jpeg);
    Image copy = cloneImage(picture);
    MagickSetOption(copy.get(), "jpeg:sampling-factor", "2x2,1x1,1x1");
    MagickSetImageFormat(copy.get(), "JPEG");
    std::size_t length = 0;
    unsigned char* bytes = MagickGetImageBlob(copy.get(), &length);
    const Blob library = adoptBlob(bytes, length);
    std::vector<unsigned char> libraryPixels;
    ASSERT_TRUE(exportRgb24(decode(library).get(), libraryPixels));
    EXPECT_LT(meanDifference(jpeg, libraryPixels), 1.5);
    EXPECT_LT(meanDifference(jpeg, rgb), meanDifference(library, rgb) + 0.5);
}

TEST_F(RenderTest, LargePicturesAreDecodedAtTwiceTheirFittedSize) {
    AlbumItem item;
    item.path = writeGradientJpeg(folder.file("big.jpg"), 1600, 1200);
    VideoSettings settings;
    settings.videoWidth = 160;
    settings.videoHeight = 90;
    const struct {
        int turn;
        std::pair<int, int> hint;
    } cases[] = {{0, {240, 180}}, {90, {180, 136}}, {180, {240, 180}}, {45, {0, 0}}};
    for (const auto& c : cases) {
        item.turnAngle = c.turn;
        EXPECT_EQ(pictureSizeHint(settings, item), c.hint) << c.turn;
    }
    item.turnAngle = 90;
    settings.videoWidth = 90; // portrait frame: the turned picture fills its height
    settings.videoHeight = 160;
    EXPECT_EQ(pictureSizeHint(settings, item), (std::pair{240, 180}));
    item.turnAngle = 0;
    settings.videoWidth = 1280;
    settings.videoHeight = 720;
    EXPECT_EQ(pictureSizeHint(settings, item), (std::pair{0, 0})); // not twice as large
    item.path = folder.file("missing.jpg");
    EXPECT_EQ(pictureSizeHint(settings, item), (std::pair{0, 0}));

    // The decoder scales by eighths and never below the hint.
    Image reduced = readPicture(folder.file("big.jpg"), "#ffffff", {240, 180});
    ASSERT_TRUE(reduced);
    EXPECT_EQ(widthOf(reduced), 400);
    EXPECT_EQ(heightOf(reduced), 300);
}

TEST_F(RenderTest, ReducedDecodeKeepsTheFittedCanvas) {
    const std::string path = writeGradientJpeg(folder.file("big.jpg"), 1600, 1200);
    AlbumItem item;
    item.path = path;
    VideoSettings settings;
    settings.videoWidth = 160;
    settings.videoHeight = 90;
    Image whole = readPicture(path, "#ffffff");
    Image reduced = readPicture(path, "#ffffff", pictureSizeHint(settings, item));
    Image a = fitToCanvas(160, 90, whole, "#ffffff");
    Image b = fitToCanvas(160, 90, reduced, "#ffffff");
    std::vector<unsigned char> pa, pb;
    ASSERT_TRUE(exportRgb24(a.get(), pa));
    ASSERT_TRUE(exportRgb24(b.get(), pb));
    ASSERT_EQ(pa.size(), pb.size());
    double difference = 0;
    for (std::size_t i = 0; i < pa.size(); ++i)
        difference += std::abs(int(pa[i]) - int(pb[i]));
    EXPECT_LT(difference / static_cast<double>(pa.size()), 2.0);
}

} // namespace
} // namespace velomira

namespace velomira {
namespace {

using namespace velomira::testing;

// Rewrites the gradient picture as a progressive JPEG or a 16-bit PNG.
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
        const int expected = countPictureFrames(project, item);
        for (FrameFormat format : {FrameFormat::Jpeg, FrameFormat::Yuv420p, FrameFormat::Rgb24}) {
            SCOPED_TRACE(picture + " " + std::to_string(static_cast<int>(format)));
            RecordingSink sink;
            SequencerContext context;
            context.project = &project;
            context.sink = &sink;
            context.format = format;
            PictureResult result = renderPicture(context, item, Image());
            ASSERT_EQ(result.status, PictureStatus::Rendered);
            ASSERT_EQ(sink.count(), expected);
            EXPECT_TRUE(sink.repeatsMatchPrevious());
            const std::size_t raw = rawFrameBytes(format, 161, 91);
            for (const Delivery& delivery : sink.deliveries()) {
                if (raw != 0)
                    ASSERT_EQ(delivery.bytes.size(), raw);
                else
                    ASSERT_EQ(delivery.bytes.substr(0, 2), "\xFF\xD8");
            }
            // The last frame of the transition is the picture canvas, exactly so in RGB.
            if (format == FrameFormat::Rgb24) {
                Image picture =
                    readPicture(item.path, "#ffffff", pictureSizeHint(project.settings, item));
                Image canvas = fitToCanvas(161, 91, picture, "#ffffff");
                std::vector<unsigned char> rgb;
                ASSERT_TRUE(exportRgb24(canvas.get(), rgb));
                EXPECT_EQ(sink.deliveries().back().bytes, std::string(rgb.begin(), rgb.end()));
            }
        }
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

} // namespace
} // namespace velomira
