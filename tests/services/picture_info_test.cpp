// What the window says about one picture: the status line and the logo and cover check.
#include "services/picture_info.h"

#include "render/image/image_layer.h"
#include "support/picture_files.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace velomira {
namespace {

using namespace velomira::testing;

TEST(PictureInfo, ChosenLogoAndCoverAreJudgedByTheirBytes) {
    TempFolder folder;
    const std::string png = writeSolidPicture(folder.file("p.png"), 8, 6, "#ff0000", "png");
    const std::string jpeg = writeSolidPicture(folder.file("j.jpg"), 8, 6, "#ff0000", "jpg");
    const std::string cmyk = writeCmykJpeg(folder.file("c.jpg"), 8, 6, "#ff0000");
    const std::string gif = writeSolidPicture(folder.file("g.gif"), 8, 6, "#ff0000", "gif");
    // A PNG named as a JPEG is still a PNG.
    const std::string renamed = writeSolidPicture(folder.file("r.png"), 8, 6, "#ff0000", "png");
    std::filesystem::rename(renamed, folder.file("r.jpg"));
    const struct {
        std::string path;
        ChosenPicture logo, cover;
    } cases[] = {
        {png, ChosenPicture::Usable, ChosenPicture::Usable},
        {jpeg, ChosenPicture::Usable, ChosenPicture::Usable},
        {folder.file("r.jpg"), ChosenPicture::Usable, ChosenPicture::Usable},
        {cmyk, ChosenPicture::CmykLogo, ChosenPicture::Usable},
        {gif, ChosenPicture::NotPngOrJpeg, ChosenPicture::NotPngOrJpeg},
        {folder.writeFile("n.png", "not a picture"), ChosenPicture::NotPngOrJpeg,
         ChosenPicture::NotPngOrJpeg},
        {folder.file("missing.png"), ChosenPicture::NotPngOrJpeg, ChosenPicture::NotPngOrJpeg},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkChosenPicture(c.path, true), c.logo) << c.path;
        EXPECT_EQ(checkChosenPicture(c.path, false), c.cover) << c.path;
    }
}

TEST(PictureInfo, StatusLineComesFromTheHeaderOrElseTheLibrary) {
    TempFolder folder;
    std::string text;
    ASSERT_TRUE(
        describePictureFile(writeSolidPicture(folder.file("p.png"), 8, 6, "#ff0000", "png"), text));
    EXPECT_EQ(text.rfind("尺寸: 8 x 6, 类型: PNG 图片, 大小: ", 0), 0u) << text;
    // No header reader knows PSD; the library does.
    velomira::Image canvas = makeCanvas(5, 4, "#ff0000");
    ASSERT_TRUE(writePictureFile(canvas, folder.file("p.psd")));
    ASSERT_TRUE(describePictureFile(folder.file("p.psd"), text));
    EXPECT_EQ(text.rfind("尺寸: 5 x 4, 类型: PSD 图片, 大小: ", 0), 0u) << text;
    EXPECT_FALSE(describePictureFile(folder.writeFile("n.png", "not a picture"), text));
    EXPECT_EQ(text, "注意: 这不是一个有效的图片");
}

} // namespace
} // namespace velomira
