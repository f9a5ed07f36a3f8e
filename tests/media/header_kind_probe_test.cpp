#include "media/header_probe.h"
#include "picture_bytes.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace velomira {
namespace {

using namespace velomira::testing;

class KindProbeTest : public ::testing::Test {
  protected:
    int probe(const std::string& bytes) { return probeImageKind(folder.writeFile("p.bin", bytes)); }
    TempFolder folder;
};

TEST_F(KindProbeTest, SignaturesDecideTheFormat) {
    EXPECT_EQ(probe(bmpInfo(4, 3, 90)), kImageKindBmp);
    EXPECT_EQ(probe(kJpegStart + kJpegApp0), kImageKindJpeg);
    EXPECT_EQ(probe(pngHeader(3, 2)), kImageKindPng);
    EXPECT_EQ(probe(gifOneFrame()), kImageKindGif);
    // Only the first two bytes count: nothing else of these is checked.
    EXPECT_EQ(probe("BM"), kImageKindBmp);
    EXPECT_EQ(probe("\xFF\xD8"), kImageKindJpeg);
    EXPECT_EQ(probe("\x89P"), kImageKindPng);
}

TEST_F(KindProbeTest, UnknownOrTooShortIsUnrecognised) {
    EXPECT_EQ(probe(""), kImageKindUnrecognised);
    EXPECT_EQ(probe("B"), kImageKindUnrecognised);
    EXPECT_EQ(probe("MB not a bitmap"), kImageKindUnrecognised);
    EXPECT_EQ(probe(std::string(64, '\xFF')), kImageKindUnrecognised);
    EXPECT_EQ(probe("RIFF\x24\x00\x00\x00WEBPVP8 "), kImageKindUnrecognised);
}

TEST_F(KindProbeTest, FilesThatCannotBeOpenedAreUnreadable) {
    EXPECT_EQ(probeImageKind(folder.file("missing.gif")), kImageKindUnreadable);
    EXPECT_EQ(probeImageKind(folder.path().string()), kImageKindUnreadable);
    // A FIFO without a writer must not block the probe.
    std::string fifo = folder.file("pipe.gif");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(probeImageKind(fifo), kImageKindUnreadable);
}

TEST_F(KindProbeTest, SingleGifPicturesAreAccepted) {
    EXPECT_EQ(probe(gifOneFrame()), kImageKindGif);
    // No image at all, only a trailer.
    EXPECT_EQ(probe(gifScreen("89a", 7, 9, 0) + kGifTrailer), kImageKindGif);
    // A local colour table instead of a global one.
    EXPECT_EQ(probe(gifScreen("89a", 2, 2, 0) + gifImage(2, 2, 0x81) + kGifTrailer), kImageKindGif);
    // Every extension kind, including one whose label nobody knows, around the picture.
    std::string netscape = "\x21\xFF\x0BNETSCAPE2.0" + std::string("\x03\x01\x00\x00\x00", 5);
    std::string comment = std::string("\x21\xFE\x05hello\x03"
                                      "abc\x00",
                                      13);
    std::string plain = "\x21\x01\x0C" + std::string(12, '\0') + std::string("\x02hi\x00", 4);
    std::string unknown = std::string("\x21\x42\x03"
                                      "abc\x00",
                                      7);
    EXPECT_EQ(probe(gifScreen("89a", 5, 4, 0x80) + kGifTwoColours + netscape + comment + plain +
                    unknown + kGifControl + gifImage(5, 4) + comment + kGifTrailer),
              kImageKindGif);
}

TEST_F(KindProbeTest, SecondGifImageMeansAnimation) {
    std::string twoFrames = gifScreen("89a", 1, 1, 0x80) + kGifTwoColours + kGifControl +
                            gifImage(1, 1) + kGifControl + gifImage(1, 1) + kGifTrailer;
    EXPECT_EQ(probe(twoFrames), kImageKindAnimatedGif);
    // The answer comes at the second image separator, whatever follows it.
    std::string upToSecond = twoFrames.substr(0, twoFrames.rfind('\x2C') + 1);
    EXPECT_EQ(probe(upToSecond), kImageKindAnimatedGif);
}

TEST_F(KindProbeTest, Gif87aIsNotWalked) {
    std::string twoFrames =
        gifScreen("87a", 3, 2, 0x80) + kGifTwoColours + gifImage(3, 2) + gifImage(3, 2);
    EXPECT_EQ(probe(twoFrames + kGifTrailer), kImageKindGif);
    EXPECT_EQ(probe("GIF87a"), kImageKindGif);
}

TEST_F(KindProbeTest, BrokenGifBlockStructureIsUnrecognised) {
    std::string one = gifOneFrame();
    // Cut anywhere before the trailer: the walk meets the end of the file.
    for (std::size_t length = 0; length < one.size(); ++length)
        EXPECT_EQ(probe(one.substr(0, length)), kImageKindUnrecognised) << "length " << length;
    EXPECT_EQ(probe(one.substr(0, one.size() - 1) + '\0' + kGifTrailer), kImageKindUnrecognised);

    // A global colour table of 768 bytes announced by a 20-byte file.
    EXPECT_EQ(probe(gifScreen("89a", 640, 480, 0x87) + std::string(7, '\0')),
              kImageKindUnrecognised);
    // A sub-block longer than the rest of the file.
    EXPECT_EQ(probe(gifScreen("89a", 1, 1, 0) + "\x2C" + le16(0) + le16(0) + le16(1) + le16(1) +
                    '\0' + "\x02\xFE\x44\x01"),
              kImageKindUnrecognised);
    EXPECT_EQ(probe(gifScreen("89a", 1, 1, 0) + "\x21\xFE\xFF" + std::string(10, 'x')),
              kImageKindUnrecognised);
    // A local colour table past the end of the file.
    EXPECT_EQ(probe(gifScreen("89a", 1, 1, 0) + gifImage(1, 1, 0x87).substr(0, 20)),
              kImageKindUnrecognised);
}

} // namespace
} // namespace velomira
