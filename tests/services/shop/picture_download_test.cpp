#include "shop_fixture.h"
#include "support/broken_pictures.h"

#include <filesystem>

namespace velomira::testing {
namespace {

class PictureDownload : public ShopFixture {};

TEST_F(PictureDownload, FailedPictureGoesToTheInformationTextAndTheBatchGoesOn) {
    std::string first = servePicture("a.jpg", "#ff0000");
    std::string missing = server.url("/pics/missing.jpg");
    std::string last = servePicture("c.jpg", "#0000ff");
    EXPECT_EQ(importShopPictures(context, album, {first, missing, last}), 2);
    EXPECT_EQ(albumFileBytes(), (std::vector<std::string>{served[first], served[last]}));
    EXPECT_EQ(infos,
              std::vector<std::string>{"下载宝贝图片失败:\r\n" + missing +
                                       "\r\n返回的错误信息:\r\n404 Not Found - 文件不存在\r\n"});
    EXPECT_TRUE(failures.empty());
    // Progress counts positions in the list, failed ones included.
    EXPECT_EQ(statuses, (std::vector<std::string>{progressText(1, 3), progressText(3, 3)}));
}

TEST_F(PictureDownload, EmptyBodiesAreSkippedAndUnreadableOnesRefusedByTheProbe) {
    server.route("/empty.jpg", "");
    server.route("/text.jpg", "this is not a picture at all");
    std::string good = servePicture("g.jpg", "#00ff00");
    EXPECT_EQ(importShopPictures(context, album,
                                 {server.url("/empty.jpg"), server.url("/text.jpg"), good}),
              1);
    ASSERT_EQ(project.items.size(), 1u);
    ASSERT_EQ(infos.size(), 1u);
    // The probe's refusal line names the downloaded file, which stays in the folder.
    EXPECT_NE(infos[0].find(":\r\n" + (folder.path() / "temp").string() + "/"), std::string::npos);
    // Only the two non-empty bodies became files.
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(folder.path() / "temp"))
        ++files;
    EXPECT_EQ(files, 2);
}

TEST_F(PictureDownload, PicturesALocalFileWouldFailAreRefusedByNameAndTheOthersKept) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"huge.png", readWholeFile(writePngAnnouncing(folder.file("huge.png"), 100000, 100000))},
        {"huge.jpg", readWholeFile(writeJpegAnnouncing(folder.file("huge.jpg"), 30000, 30000))},
        {"huge.bmp", readWholeFile(writeBmpAnnouncing(folder.file("huge.bmp"), 100000, 100000))},
        {"noise.png", readWholeFile(writeNoiseBehindHeader(folder.file("noise.png"), "png", 7))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        project.items.clear();
        infos.clear();
        const std::string before = servePicture("before.jpg", "#ff0000");
        const std::string after = servePicture("after.png", "#0000ff", "png");
        server.route(std::string("/bad/") + c.name, test::okReply(c.bytes));
        EXPECT_EQ(importShopPictures(context, album,
                                     {before, server.url(std::string("/bad/") + c.name), after}),
                  2);
        EXPECT_EQ(albumFileBytes(), (std::vector<std::string>{served[before], served[after]}));
        ASSERT_EQ(infos.size(), 1u);
        // The line names the downloaded file, as it would a local one.
        EXPECT_NE(infos[0].find((folder.path() / "temp").string() + "/"), std::string::npos)
            << infos[0];
        EXPECT_TRUE(failures.empty());
    }
}

TEST_F(PictureDownload, FullAlbumStopsTheBatchKeepingWhatWasAdded) {
    for (int i = 0; i < maxPictures - 1; ++i)
        insertAlbumItem(project, "/nowhere/" + std::to_string(i) + ".jpg", -1, false, random);
    std::string a = servePicture("a.jpg", "#ff0000");
    std::string b = servePicture("b.jpg", "#00ff00");
    std::string c = servePicture("c.jpg", "#0000ff");
    EXPECT_EQ(importShopPictures(context, album, {a, b, c}), 1);
    EXPECT_EQ(albumItemCount(project), maxPictures);
    EXPECT_EQ(readWholeFile(project.items.back().path), served[a]);
    auto messages = failures;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "最多可以添加 1000 张图片");
    EXPECT_EQ(messages[0].title, "提示");
    // The stop comes before the next download.
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/pics/a.jpg"});
}

TEST_F(PictureDownload, SameBytesTwiceBecomeTwoDistinctFiles) {
    std::string a = servePicture("a.jpg", "#ff0000");
    EXPECT_EQ(importShopPictures(context, album, {a, a, a}), 3);
    ASSERT_EQ(project.items.size(), 3u);
    EXPECT_NE(project.items[0].path, project.items[1].path);
    EXPECT_NE(project.items[1].path, project.items[2].path);
    EXPECT_NE(project.items[0].path, project.items[2].path);
}

TEST_F(PictureDownload, UnwritableFolderAddsNothingAndNeverCrashes) {
    // A file where the folder should be: no picture file can be created there.
    std::string blocker = folder.writeFile("blocked", "x");
    ProductFetchContext blocked = context;
    blocked.tempPictureFolder = blocker;
    std::string a = servePicture("a.jpg", "#ff0000");
    EXPECT_EQ(importShopPictures(blocked, album, {a}), 0);
    EXPECT_TRUE(project.items.empty());
    EXPECT_TRUE(infos.empty());
}

} // namespace
} // namespace velomira::testing
