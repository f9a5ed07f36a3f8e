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
    PictureKind probe(const std::string& bytes) {
        return probeImageKind(folder.writeFile("p.bin", bytes));
    }
    TempFolder folder;
};

TEST_F(KindProbeTest, SignaturesDecideTheFormat) {
    EXPECT_EQ(probe(bmpInfo(4, 3, 90)), PictureKind::Bmp);
    EXPECT_EQ(probe(kJpegStart + kJpegApp0), PictureKind::Jpeg);
    EXPECT_EQ(probe(pngHeader(3, 2)), PictureKind::Png);
    EXPECT_EQ(probe(gifOneFrame()), PictureKind::Gif);
    // Only the first two bytes count: nothing else of these is checked.
    EXPECT_EQ(probe("BM"), PictureKind::Bmp);
    EXPECT_EQ(probe("\xFF\xD8"), PictureKind::Jpeg);
    EXPECT_EQ(probe("\x89P"), PictureKind::Png);
}

TEST_F(KindProbeTest, UnknownOrTooShortIsUnrecognised) {
    EXPECT_EQ(probe(""), PictureKind::Unrecognised);
    EXPECT_EQ(probe("B"), PictureKind::Unrecognised);
    EXPECT_EQ(probe("MB not a bitmap"), PictureKind::Unrecognised);
    EXPECT_EQ(probe(std::string(64, '\xFF')), PictureKind::Unrecognised);
    EXPECT_EQ(probe("RIFF\x24\x00\x00\x00WEBPVP8 "), PictureKind::Unrecognised);
}

TEST_F(KindProbeTest, FilesThatCannotBeOpenedAreUnreadable) {
    EXPECT_EQ(probeImageKind(folder.file("missing.gif")), PictureKind::Unreadable);
    EXPECT_EQ(probeImageKind(folder.path().string()), PictureKind::Unreadable);
    // A FIFO without a writer must not block the probe.
    std::string fifo = folder.file("pipe.gif");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(probeImageKind(fifo), PictureKind::Unreadable);
}

TEST_F(KindProbeTest, SingleGifPicturesAreAccepted) {
    EXPECT_EQ(probe(gifOneFrame()), PictureKind::Gif);
    // No image at all, only a trailer.
    EXPECT_EQ(probe(gifScreen("89a", 7, 9, 0) + kGifTrailer), PictureKind::Gif);
    // A local colour table instead of a global one.
    EXPECT_EQ(probe(gifScreen("89a", 2, 2, 0) + gifImage(2, 2, 0x81) + kGifTrailer),
              PictureKind::Gif);
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
              PictureKind::Gif);
}

TEST_F(KindProbeTest, SecondGifImageMeansAnimation) {
    std::string twoFrames = gifScreen("89a", 1, 1, 0x80) + kGifTwoColours + kGifControl +
                            gifImage(1, 1) + kGifControl + gifImage(1, 1) + kGifTrailer;
    EXPECT_EQ(probe(twoFrames), PictureKind::AnimatedGif);
    // The answer comes at the second image separator, whatever follows it.
    std::string upToSecond = twoFrames.substr(0, twoFrames.rfind('\x2C') + 1);
    EXPECT_EQ(probe(upToSecond), PictureKind::AnimatedGif);
}

TEST_F(KindProbeTest, Gif87aIsNotWalked) {
    std::string twoFrames =
        gifScreen("87a", 3, 2, 0x80) + kGifTwoColours + gifImage(3, 2) + gifImage(3, 2);
    EXPECT_EQ(probe(twoFrames + kGifTrailer), PictureKind::Gif);
    EXPECT_EQ(probe("GIF87a"), PictureKind::Gif);
}

TEST_F(KindProbeTest, BrokenGifBlockStructureIsUnrecognised) {
    std::string one = gifOneFrame();
    // Cut anywhere before the trailer: the walk meets the end of the file.
    for (std::size_t length = 0; length < one.size(); ++length)
        EXPECT_EQ(probe(one.substr(0, length)), PictureKind::Unrecognised) << "length " << length;
    EXPECT_EQ(probe(one.substr(0, one.size() - 1) + '\0' + kGifTrailer), PictureKind::Unrecognised);

    // A global colour table of 768 bytes announced by a 20-byte file.
    EXPECT_EQ(probe(gifScreen("89a", 640, 480, 0x87) + std::string(7, '\0')),
              PictureKind::Unrecognised);
    // A sub-block longer than the rest of the file.
    EXPECT_EQ(probe(gifScreen("89a", 1, 1, 0) + "\x2C" + le16(0) + le16(0) + le16(1) + le16(1) +
                    '\0' + "\x02\xFE\x44\x01"),
              PictureKind::Unrecognised);
    EXPECT_EQ(probe(gifScreen("89a", 1, 1, 0) + "\x21\xFE\xFF" + std::string(10, 'x')),
              PictureKind::Unrecognised);
    // A local colour table past the end of the file.
    EXPECT_EQ(probe(gifScreen("89a", 1, 1, 0) + gifImage(1, 1, 0x87).substr(0, 20)),
              PictureKind::Unrecognised);
}

} // namespace
} // namespace velomira
