#include "media/header_probe.h"
#include "picture_bytes.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using namespace velomira::testing;

struct Size {
    std::string format;
    int width = -7;
    int height = -7;
    int result = -7;
};

class HeaderSizeTest : public ::testing::Test {
  protected:
    std::string write(const std::string& bytes) { return folder.writeFile("p.bin", bytes); }
    Size read(const std::string& bytes) {
        Size size;
        size.result = readImageHeader(write(bytes), &size.format, &size.width, &size.height);
        return size;
    }
    void expectSize(const std::string& bytes, const char* format, int width, int height) {
        Size size = read(bytes);
        EXPECT_EQ(size.result, 1);
        EXPECT_EQ(size.format, format);
        EXPECT_EQ(size.width, width);
        EXPECT_EQ(size.height, height);
    }
    void expectRefused(const std::string& bytes) {
        Size size = read(bytes);
        EXPECT_EQ(size.result, 0);
        // A refusal leaves the outputs alone.
        EXPECT_EQ(size.format, "");
        EXPECT_EQ(size.width, -7);
        EXPECT_EQ(size.height, -7);
    }
    TempFolder folder;
};

TEST_F(HeaderSizeTest, GifAndPngSizes) {
    expectSize(gifScreen("89a", 0x1234, 0x0102, 0) + kGifTrailer, "GIF", 0x1234, 0x0102);
    expectSize(pngHeader(640, 480), "PNG", 640, 480);
    // Sides beyond 16 bits keep their true size instead of wrapping round.
    expectSize(pngHeader(100000, 100000), "PNG", 100000, 100000);
    expectSize(pngHeader(65536, 1), "PNG", 65536, 1);
    expectRefused(pngHeader(0x80000000u, 1));
    expectRefused(pngHeader(5, 0));
    expectRefused(gifScreen("89a", 0, 5, 0));
    expectRefused(gifScreen("89a", 5, 0, 0));
    expectRefused(pngHeader(3, 2).substr(0, 23));
    expectRefused(std::string("GIF89a\x01\x00\x01", 9));
}

TEST_F(HeaderSizeTest, BmpSizes) {
    expectSize(bmpInfo(4, 3, 90), "BMP", 4, 3);
    // Bottom-up and top-down pictures alike report positive sides.
    expectSize(bmpInfo(4, -3, 90), "BMP", 4, 3);
    expectSize(bmpInfo(-4, 3, 90), "BMP", 4, 3);
    // The old core header: by its size field, or when the sides read as too large.
    expectSize(bmpCore(6, 5, 126), "BMP", 6, 5);
    expectSize(bmpCore(1, 1, 34), "BMP", 1, 1);
    expectSize(bmpInfo(200000, 3, 90), "BMP", 200000 & 0xFFFF, 200000 >> 16);
    expectRefused(bmpInfo(7, 100001, 90)); // read as core: height 0
    // The most negative height has no 32-bit absolute value; it must not overflow.
    expectRefused(bmpInfo(9, INT32_MIN, 90));
    expectSize(bmpInfo(0x20009, INT32_MIN, 90), "BMP", 9, 2);
    expectRefused(bmpInfo(0, 3, 90));
    expectRefused(bmpInfo(4, 3, 0)); // the header's own file size counts
    expectRefused(bmpInfo(4, 3, 90).substr(0, 25));
}

TEST_F(HeaderSizeTest, JpegFrameHeaderAfterOtherSegments) {
    expectSize(kJpegStart + kJpegApp0 + jpegFrame(0xC0, 640, 480) + kJpegEnd, "JPEG", 640, 480);
    expectSize(kJpegStart + kJpegApp0 + jpegFrame(0xC2, 12, 10), "JPEG", 12, 10);
    // A lossless frame header is walked past; a later baseline one counts.
    expectSize(kJpegStart + jpegFrame(0xC3, 20, 30) + jpegFrame(0xC0, 50, 40), "JPEG", 50, 40);
    expectRefused(kJpegStart + kJpegApp0 + jpegFrame(0xC3, 20, 30) + kJpegEnd);
    expectRefused(kJpegStart + kJpegApp0 + jpegFrame(0xC1, 20, 30));
    expectRefused(kJpegStart + jpegFrame(0xC0, 50, 0));
    expectRefused(kJpegStart + jpegFrame(0xC0, 0, 50));
}

TEST_F(HeaderSizeTest, BrokenJpegWalksEnd) {
    std::string good = kJpegStart + kJpegApp0 + jpegFrame(0xC0, 64, 48);
    // Every cut inside the walk, including inside the frame header itself.
    for (std::size_t length = 0; length < good.size() - 4; ++length)
        EXPECT_EQ(readImageHeader(write(good.substr(0, length)), nullptr, nullptr, nullptr), 0)
            << "length " << length;
    // A marker not led by 0xFF.
    expectRefused(kJpegStart + kJpegApp0 + '\0' + jpegFrame(0xC0, 64, 48).substr(1));
    // Segment lengths that would not move the walk forward.
    expectRefused(kJpegStart + std::string("\xFF\xE0\x00\x00", 4) + std::string(40, '\xFF'));
    expectRefused(kJpegStart + std::string("\xFF\xE1\x00\x01\xFF\xE1\x00\x01", 8));
    expectRefused(kJpegStart + std::string("\xFF\xE1\x00\x02", 4) + jpegFrame(0xC3, 1, 1));
    // A segment longer than the file, and a run of fill bytes.
    expectRefused(kJpegStart + std::string("\xFF\xE1\xFF\xF0"
                                           "Exif\x00\x00",
                                           10));
    expectRefused(kJpegStart + std::string(200, '\xFF'));
}

TEST_F(HeaderSizeTest, OutputsFilledOnlyAsAsked) {
    std::string path = write(pngHeader(30, 20));
    int width = -1, height = -1;
    std::string format;
    EXPECT_EQ(readImageHeader(path, nullptr, &width, &height), 1);
    EXPECT_EQ(width, 30);
    EXPECT_EQ(height, 20);
    width = -1;
    EXPECT_EQ(readImageHeader(path, &format, &width, nullptr), 1);
    EXPECT_EQ(format, "PNG");
    EXPECT_EQ(width, -1);
    EXPECT_EQ(readImageHeader(folder.file("missing.png"), &format, nullptr, nullptr), 0);
    EXPECT_EQ(readImageHeader(folder.path().string(), &format, nullptr, nullptr), 0);
}

class DescriptionTest : public HeaderSizeTest {
  protected:
    std::string describe(const std::string& bytes) {
        std::string text = "untouched";
        EXPECT_EQ(describeImageFile(write(bytes), text), 1);
        return text;
    }
    // A GIF padded after its trailer to exactly size bytes.
    static std::string gifOfSize(std::size_t size) {
        std::string bytes = gifScreen("89a", 320, 240, 0) + kGifTrailer;
        return bytes + std::string(size - bytes.size(), '\0');
    }
};

TEST_F(DescriptionTest, SizeUnitsFollowTheThresholds) {
    EXPECT_EQ(describe(gifOfSize(1023)), "尺寸: 320 x 240, 类型: GIF 图片, 大小: 1023 字节");
    EXPECT_EQ(describe(gifOfSize(1024)), "尺寸: 320 x 240, 类型: GIF 图片, 大小: 1.0 KB");
    EXPECT_EQ(describe(gifOfSize(1536)), "尺寸: 320 x 240, 类型: GIF 图片, 大小: 1.5 KB");
    EXPECT_EQ(describe(gifOfSize(1048575)), "尺寸: 320 x 240, 类型: GIF 图片, 大小: 1024.0 KB");
    EXPECT_EQ(describe(gifOfSize(1048576)), "尺寸: 320 x 240, 类型: GIF 图片, 大小: 1.0 MB");
    EXPECT_EQ(describe(pngHeader(3, 2)), "尺寸: 3 x 2, 类型: PNG 图片, 大小: 33 字节");
}

TEST_F(DescriptionTest, BmpUsesTheSizeItsHeaderClaims) {
    EXPECT_EQ(describe(bmpInfo(4, -3, 1536)), "尺寸: 4 x 3, 类型: BMP 图片, 大小: 1.5 KB");
    EXPECT_EQ(describe(bmpInfo(4, 3, 3 * 1048576 + 104858)),
              "尺寸: 4 x 3, 类型: BMP 图片, 大小: 3.1 MB");
    EXPECT_EQ(describe(kJpegStart + jpegFrame(0xC2, 8, 6)),
              "尺寸: 8 x 6, 类型: JPEG 图片, 大小: 15 字节");
}

TEST_F(DescriptionTest, RefusalLeavesTheTextAlone) {
    std::string text = "untouched";
    EXPECT_EQ(describeImageFile(write("plain text"), text), 0);
    EXPECT_EQ(describeImageFile(write(kJpegStart + jpegFrame(0xC3, 8, 6)), text), 0);
    EXPECT_EQ(describeImageFile(folder.file("missing.jpg"), text), 0);
    EXPECT_EQ(text, "untouched");
}

} // namespace
} // namespace velomira
