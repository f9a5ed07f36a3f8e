#include "video/cover_art.h"

#include "media_tools.h"
#include "render/image/image_layer.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using namespace velomira::testing;

TEST(CoverSize, LongerSideBecomes512RoundedHalfUp) {
    const struct {
        int width, height;
        PictureSize expected;
    } cases[] = {
        {1024, 768, {512, 384}}, {600, 800, {384, 512}},  {700, 700, {512, 512}},
        {400, 300, {400, 300}},  {512, 512, {512, 512}},  {513, 2, {512, 2}},
        {1024, 3, {512, 2}},                              // 1.5 rounds up
        {1024, 1, {512, 1}},                              // 0.5 rounds up
        {5000, 1, {512, 1}},                              // never below 1
        {1, 9000, {1, 512}},     {2000, 999, {512, 256}}, // 255.74
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(coverSize(c.width, c.height), c.expected);
    }
}

TEST(CoverTurnAngle, FirstAlbumItemWithTheSamePathDecides) {
    AlbumProject project;
    project.items.resize(3);
    project.items[0].path = "/p/a.jpg";
    project.items[1].path = "/p/cover.jpg";
    project.items[1].turnAngle = 90;
    project.items[2].path = "/p/cover.jpg";
    project.items[2].turnAngle = 180;
    EXPECT_EQ(coverTurnAngle(project, "/p/cover.jpg"), 90);
    EXPECT_EQ(coverTurnAngle(project, "/p/a.jpg"), 0);
    EXPECT_EQ(coverTurnAngle(project, "/P/cover.jpg"), 0); // exact bytes only
    project.items[1].turnAngle = -90;
    EXPECT_EQ(coverTurnAngle(project, "/p/cover.jpg"), 0);
}

TEST(CoverOutputPath, ReplacesTheExtensionAndCountsPastExistingFiles) {
    TempFolder folder;
    const std::string video = folder.file("my.video.mp4");
    EXPECT_EQ(coverOutputPath(video, 1700000000), folder.file("my.video-1700000000.mp4"));
    folder.writeFile("my.video-1700000000.mp4", "x");
    folder.writeFile("my.video-1700000001.mp4", "x");
    EXPECT_EQ(coverOutputPath(video, 1700000000), folder.file("my.video-1700000002.mp4"));
    EXPECT_EQ(coverOutputPath("/a.b/video", 5), "/a.b/video-5.mp4");
}

class CoverEmbedding : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!makeToolFolder(folder.path()))
            GTEST_SKIP() << "ffmpeg or AtomicParsley is not installed";
        initImageLibrary();
        video = folder.file("out video.mp4");
        ASSERT_TRUE(makeColourVideo(video, 64, 48, 0.2));
        original = readWholeFile(video);
        project.settings.cover = true;
        request = {folder.path() / "tool" / "AtomicParsley", folder.path() / "temp" / "cover.jpg",
                   &project, video, errorLogIn(folder.path())};
    }

    // Embeds the cover, keeping its failure as a front end would show it.
    CoverResult embed() {
        CoverOutcome outcome = embedCover(request);
        if (outcome.failure)
            shown.push_back(*outcome.failure);
        return outcome.result;
    }

    PictureSize preparedSize() {
        Image image = newImage();
        if (MagickReadImage(image.get(), request.preparedCover.c_str()) != MagickTrue)
            return {};
        return {static_cast<int>(MagickGetImageWidth(image.get())),
                static_cast<int>(MagickGetImageHeight(image.get()))};
    }
    bool hasArtwork() {
        return streamEntries(video, "codec_type:stream_disposition=attached_pic")
                   .find("DISPOSITION:attached_pic=1") != std::string::npos;
    }
    // Only the video and the pictures of the test are left beside each other.
    int mp4FilesInFolder() {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            count += entry.path().extension() == ".mp4";
        return count;
    }

    TempFolder folder;
    RecordingDialogs dialogs; // the picture reader's own messages
    std::vector<Failure> shown;
    AlbumProject project;
    CoverRequest request;
    std::string video;
    std::string original;
};

TEST_F(CoverEmbedding, LargeCoversAreShrunkAndEmbedded) {
    const struct {
        int width, height;
        PictureSize expected;
    } cases[] = {{1024, 768, {512, 384}}, {600, 800, {384, 512}}, {300, 200, {300, 200}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        project.settings.coverPath =
            writeSolidPicture(folder.file("cover " + std::to_string(c.width) + ".png"), c.width,
                              c.height, "#3366cc", "png");
        EXPECT_EQ(embed(), CoverResult::Embedded);
        EXPECT_EQ(preparedSize(), c.expected);
        EXPECT_TRUE(hasArtwork());
        EXPECT_EQ(mp4FilesInFolder(), 1);
    }
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(CoverEmbedding, CoverThatIsATurnedAlbumPictureIsTurnedToo) {
    project.settings.coverPath =
        writeSolidPicture(folder.file("pic.jpg"), 200, 100, "#ffffff", "jpg");
    project.items.resize(1);
    project.items[0].path = project.settings.coverPath;
    project.items[0].turnAngle = 90;
    EXPECT_EQ(embed(), CoverResult::Embedded);
    EXPECT_EQ(preparedSize(), (PictureSize{100, 200}));

    project.items[0].turnAngle = 0;
    EXPECT_EQ(embed(), CoverResult::Embedded);
    EXPECT_EQ(preparedSize(), (PictureSize{200, 100}));
}

TEST_F(CoverEmbedding, ToolFailureKeepsTheVideoAndTellsWhy) {
    project.settings.coverPath = writeSolidPicture(folder.file("c.png"), 40, 30, "#000000", "png");
    request.toolPath = VELOMIRA_FAKE_ENCODER;
    {
        ScopedEnvironment mode("FAKE_ENCODER_MODE", "fail");
        ScopedEnvironment message("FAKE_ENCODER_MESSAGE", "AtomicParsley error: bad atom\n");
        EXPECT_EQ(embed(), CoverResult::Failed);
    }
    EXPECT_TRUE(readWholeFile(video) == original);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "设置封面没有成功：\nAtomicParsley error: bad atom\n");
    EXPECT_EQ(shown[0].title, "提示");
    EXPECT_EQ(shown[0].kind, MessageKind::Warning);
    EXPECT_NE(readWholeFile(request.errorLog.file).find("setVideoCover: AtomicParsley error"),
              std::string::npos);

    // Failing without a word: only the report.
    {
        ScopedEnvironment mode("FAKE_ENCODER_MODE", "fail");
        EXPECT_EQ(embed(), CoverResult::Failed);
    }
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_NE(readWholeFile(request.errorLog.file)
                  .find("setVideoCover: GetExitCodeProcess()->exitCode:1"),
              std::string::npos);

    // Success without an output file leaves the video alone.
    EXPECT_EQ(embed(), CoverResult::Failed);
    EXPECT_TRUE(readWholeFile(video) == original);
    EXPECT_EQ(mp4FilesInFolder(), 1);
}

TEST_F(CoverEmbedding, NothingHappensWithoutAUsableCover) {
    project.settings.cover = false;
    project.settings.coverPath = writeSolidPicture(folder.file("c.png"), 40, 30, "#000000", "png");
    EXPECT_EQ(embed(), CoverResult::NotWanted);
    project.settings.cover = true;
    project.settings.coverPath = "";
    EXPECT_EQ(embed(), CoverResult::NotWanted);
    project.settings.coverPath = folder.file("gone.png");
    EXPECT_EQ(embed(), CoverResult::NotWanted);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(dialogs.messages().empty());

    // Not a picture: the reader's message comes back, nothing else.
    project.settings.coverPath = folder.writeFile("text.jpg", "just words");
    EXPECT_EQ(embed(), CoverResult::Failed);
    EXPECT_TRUE(dialogs.messages().empty());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text.rfind("MagickReadImage() 发生错误：", 0), 0u) << shown[0].text;
    EXPECT_EQ(shown[0].title, "错误");
    EXPECT_TRUE(readWholeFile(video) == original);
}

TEST_F(CoverEmbedding, MissingToolIsShown) {
    project.settings.coverPath = writeSolidPicture(folder.file("c.png"), 40, 30, "#000000", "png");
    request.toolPath = folder.path() / "tool" / "missing";
    EXPECT_EQ(embed(), CoverResult::Failed);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "设置封面没有成功：\n没有找到 AtomicParsley.exe 文件，请到官网重新下载软件。");
    EXPECT_EQ(shown[0].title, "提示");
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_TRUE(readWholeFile(video) == original);
}

} // namespace
} // namespace velomira
