// Pictures that are broken, hostile or unusual: each one is read correctly or refused with the
// reader's message, without a crash, a hang or a runaway allocation.
#include "media/picture_probe.h"
#include "render/image/image_layer.h"
#include "render/image/thumbnail.h"

#include "render_fixture.h"
#include "support/picture_files.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <random>
#include <sys/stat.h>

namespace velomira::testing {
namespace {

const std::string kReadFailure = "MagickReadImage() 发生错误：\n\nimage unknown 185 ";

class PictureReadingTest : public RenderTest {
  protected:
    // The picture is refused by the reader, the thumbnail and the describer, each with its
    // own outcome, and the reader's message carries the library's reason.
    // Both messages come back for the caller to show; neither is raised here.
    void expectRefused(const std::string& path) {
        Failure read;
        EXPECT_FALSE(readPicture(path, "#000000", {0, 0}, &read));
        Blob icon;
        const ThumbnailResult made = makeThumbnailIcon(probePicture(path), 144, 144, 0, icon);
        EXPECT_EQ(made.status, ThumbnailStatus::NotMade);
        EXPECT_FALSE(icon);
        EXPECT_TRUE(dialogs.messages().empty());
        EXPECT_EQ(read.title, "错误");
        EXPECT_EQ(read.kind, MessageKind::Error);
        EXPECT_EQ(read.text.rfind(kReadFailure, 0), 0u) << read.text;
        EXPECT_GT(read.text.size(), kReadFailure.size()) << "no reason given";
        ASSERT_TRUE(made.failure);
        const Failure& thumb = *made.failure;
        EXPECT_EQ(thumb.title, "提示");
        EXPECT_EQ(thumb.kind, MessageKind::Warning);
        EXPECT_EQ(thumb.text.rfind("图片读取失败@生成缩略图：\n\n", 0), 0u) << thumb.text;
        lastReadText = read.text;
        lastThumbnailText = thumb.text;
    }

    std::string lastReadText;
    std::string lastThumbnailText;
};

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string bigEndian(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string pngChunk(const std::string& type, const std::string& data) {
    return bigEndian(static_cast<std::uint32_t>(data.size())) + type + data +
           bigEndian(crc32(type + data));
}

// A well-formed PNG header announcing a huge picture, followed by almost no pixel data.
std::string hugePng(std::uint32_t width, std::uint32_t height) {
    const std::string ihdr =
        bigEndian(width) + bigEndian(height) + std::string("\x08\x02\0\0\0", 5);
    const std::string idat("\x78\x9c\x63\x60\x00\x00\x00\x02\x00\x01", 10);
    return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", idat) +
           pngChunk("IEND", "");
}

std::string randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(PictureReadingTest, HugeAnnouncedSizeIsRefusedBeforeAllocating) {
    expectRefused(folder.writeFile("huge.png", hugePng(100000, 100000)));
    // Within the width limit but far beyond the pixel-area limit.
    expectRefused(folder.writeFile("vast.png", hugePng(29000, 29000)));
}

TEST_F(PictureReadingTest, RefusalNamesTheSizeOfATooLargePictureAndOnlyAConfiguredSite) {
    const std::string huge = folder.writeFile("huge.png", hugePng(100000, 100000));
    const std::string noise = folder.writeFile("noise.jpg", randomBytes(2000, 7));
    const std::string limit = std::to_string(MagickGetResourceLimit(WidthResource));
    struct Case {
        std::string path;
        std::string host;
        std::string expected;
    } cases[] = {
        {huge, "",
         "图片太大，无法读取@生成缩略图:\r\n" + huge + "\r\n图片尺寸 100000 x 100000，最大支持 " +
             limit},
        {noise, "", "图片读取失败@生成缩略图:\r\n" + noise + "\r\n"},
        {noise, "shop.example",
         "图片读取失败@生成缩略图:\r\n" + noise +
             "\r\n- - -> 请进入官方网站(shop.example)联系我们的客服。\r\n"},
    };
    for (const Case& c : cases) {
        const std::string text = thumbnailRefusalText(probePicture(c.path), c.host);
        EXPECT_EQ(text.rfind(c.expected, 0), 0u) << text;
        EXPECT_EQ(text.find("官方网站()"), std::string::npos) << text;
    }
}

TEST_F(PictureReadingTest, GarbageAndEmptyFilesAreRefused) {
    for (const char* name : {"noise.jpg", "noise.png", "noise.bmp", "noise.gif", "noise.bin"})
        expectRefused(folder.writeFile(name, randomBytes(2000, 7)));
    expectRefused(folder.writeFile("empty.jpg", ""));
    expectRefused(folder.writeFile("header-only.jpg", std::string("\xFF\xD8\xFF\xE0", 4)));
    expectRefused(folder.file("missing.jpg"));
    EXPECT_NE(lastReadText.find("missing.jpg"), std::string::npos);
    EXPECT_NE(lastThumbnailText.find("missing.jpg"), std::string::npos);
}

TEST_F(PictureReadingTest, FifoIsRefusedWithoutWaitingForAWriter) {
    const std::string path = folder.file("pipe.jpg");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    expectRefused(path);
}

TEST_F(PictureReadingTest, TruncatedJpegKeepsWhatWasDecodedOrIsRefused) {
    const std::string whole = contentsOf(writeGradientJpeg(folder.file("whole.jpg"), 320, 240));
    ASSERT_GT(whole.size(), 4000u);
    // Cut inside the scan data: the decoded part is kept, the rest is filled by the decoder.
    auto picture =
        readPicture(folder.writeFile("cut.jpg", whole.substr(0, whole.size() / 2)), "#000000");
    ASSERT_TRUE(picture);
    EXPECT_EQ(widthOf(picture), 320);
    EXPECT_EQ(heightOf(picture), 240);
    Blob icon;
    EXPECT_EQ(makeThumbnailIcon(probePicture(folder.file("cut.jpg")), 144, 144, 0, icon).status,
              ThumbnailStatus::Made);
    // Cut inside the headers: nothing to show.
    expectRefused(folder.writeFile("stub.jpg", whole.substr(0, 120)));
}

TEST_F(PictureReadingTest, PhotoshopFileUsesItsComposite) {
    velomira::Image canvas = makeCanvas(40, 30, "#0000ff");
    const std::string path = folder.file("layered.psd");
    ASSERT_TRUE(writePictureFile(canvas, path));
    auto picture = readPicture(path, "#000000");
    ASSERT_TRUE(picture);
    EXPECT_EQ(widthOf(picture), 40);
    EXPECT_EQ(heightOf(picture), 30);
    EXPECT_EQ(pixelAt(picture.get(), 20, 15), (Rgb{0, 0, 255}));
    std::string text;
    EXPECT_TRUE(describePicture(path, text));
    EXPECT_EQ(text.rfind("尺寸: 40 x 30, 类型: PSD 图片, 大小: ", 0), 0u) << text;
    Blob icon;
    EXPECT_EQ(makeThumbnailIcon(probePicture(path), 144, 144, 0, icon).status,
              ThumbnailStatus::Made);
}

TEST_F(PictureReadingTest, OddButValidFileNamesAreReadAsTheyAre) {
    for (const char* name : {"a[1].png", "b%d.png", "c:d.png", "照片 1.png"}) {
        auto picture =
            readPicture(writeSolidPicture(folder.file(name), 4, 4, "#ff0000", "png"), "#000000");
        ASSERT_TRUE(picture) << name;
        EXPECT_EQ(widthOf(picture), 4) << name;
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

} // namespace
} // namespace velomira::testing
