// The start-up check of the imaging library: the built-in pictures decode, and a picture that
// does not decode makes the check fail, reported to the error log in mode 1 only.
#include "render/image/image_validation.h"
#include "render/image/magick_handles.h"
#include "support/temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace velomira {
namespace {

using testing::TempFolder;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ImageValidationTest, BuiltInPicturesDecodeInBothModes) {
    TempFolder folder;
    const ImageValidationReport report{ErrorLog{folder.path() / "error.log"}, folder.path()};
    EXPECT_EQ(validateImageMagick(0, report), 1);
    EXPECT_EQ(validateImageMagick(1, report), 1);
    EXPECT_EQ(validateImageMagick(0), 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "error.log"));
}

TEST(ImageValidationTest, EachBuiltInPictureIsItsFormatAndSmall) {
    initImageLibrary();
    const char* formats[] = {"PNG", "JPEG", "GIF", "BMP"};
    auto pictures = validationPictures();
    ASSERT_EQ(pictures.size(), 4u);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_STREQ(pictures[i].format, formats[i]);
        EXPECT_LT(pictures[i].length, 600u) << formats[i];
        Image image = newImage();
        ASSERT_TRUE(MagickReadImageBlob(image.get(), pictures[i].bytes, pictures[i].length));
        char* format = MagickGetImageFormat(image.get());
        // The BMP coder names version-3 files "BMP3".
        EXPECT_EQ(std::string(format).rfind(formats[i], 0), 0u) << format;
        MagickRelinquishMemory(format);
        EXPECT_GT(MagickGetImageWidth(image.get()), 0u);
    }
}

TEST(ImageValidationTest, UndecodablePictureFailsAndModeOneReportsIt) {
    TempFolder folder;
    const std::string log = folder.file("error.log");
    const ImageValidationReport report{ErrorLog{log}, "/opt/velomira"};

    std::vector<EmbeddedPicture> pictures(validationPictures().begin(), validationPictures().end());
    // The JPEG cut after its tables: the coder fails on it.
    pictures[1].length = 200;
    std::string failure;
    EXPECT_EQ(decodePictures(pictures, &failure), 0);
    EXPECT_EQ(failure.rfind("JPEG: ", 0), 0u) << failure;
    EXPECT_GT(failure.size(), 6u);

    EXPECT_EQ(validateImageMagick(0, pictures, report), 0);
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_EQ(validateImageMagick(1, pictures, report), 0);
    const std::string written = readText(log);
    EXPECT_NE(written.find(" validateImageMagick: JPEG: "), std::string::npos) << written;
    EXPECT_NE(written.find("\r\nfolder: /opt/velomira\n"), std::string::npos) << written;

    // Empty and missing bytes fail without reaching the library's reader.
    const unsigned char none[1] = {0};
    const EmbeddedPicture empty[] = {{"PNG", none, 0}, {"GIF", nullptr, 10}};
    EXPECT_EQ(decodePictures(std::span(empty, 1), nullptr), 0);
    EXPECT_EQ(decodePictures(std::span(empty + 1, 1), &failure), 0);
    EXPECT_EQ(failure.rfind("GIF: ", 0), 0u);
}

} // namespace
} // namespace velomira
