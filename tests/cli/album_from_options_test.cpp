// The command line's album options applied over an album: what each sets, and the options an
// album cannot take.
#include "cli/album_from_options.h"

#include "album/album_tables.h"
#include "support/picture_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <tuple>

namespace velomira {
namespace {

std::optional<MusicTrack> noMusic(const std::string&) {
    return std::nullopt;
}

AlbumProject albumOf(int pictures) {
    AlbumProject project;
    TransitionRandom random(5);
    for (int i = 0; i < pictures; ++i)
        insertAlbumItem(project, "/p" + std::to_string(i) + ".jpg", -1, false, random);
    return project;
}

TEST(AlbumFromOptions, SizeDefaultsFor1280x720UnlessAProjectFileChoseNone) {
    for (const char* source : {"pictures", "product"}) {
        AlbumProject project = albumOf(2);
        RenderOptions options;
        if (std::string(source) == "pictures")
            options.pictures.push_back("a.jpg");
        else
            options.productAddress = "http://h/a.jpg";
        ASSERT_EQ(applyRenderOptions(project, options, noMusic), "");
        EXPECT_EQ(project.settings.videoWidth, 1280) << source;
        EXPECT_EQ(project.settings.videoHeight, 720) << source;
    }
    AlbumProject fromFile = albumOf(2);
    RenderOptions options;
    options.projectFile = "album.dat";
    ASSERT_EQ(applyRenderOptions(fromFile, options, noMusic), "");
    EXPECT_EQ(fromFile.settings.videoSize, 0) << "the file's own choice (none) stays";
    options.size = std::make_pair(5000, 5000);
    EXPECT_NE(applyRenderOptions(fromFile, options, noMusic), "");
}

TEST(AlbumFromOptions, DisplayTimeUsesTheListEntryOrACustomTime) {
    AlbumProject project = albumOf(1);
    RenderOptions options;
    options.pauseSeconds = 2.0f;
    ASSERT_EQ(applyRenderOptions(project, options, noMusic), "");
    EXPECT_EQ(project.settings.pauseTime, kDefaultPauseTime);
    EXPECT_FALSE(project.settings.customDisplayTime);
    EXPECT_EQ(project.settings.stillFrames, 50);
    options.pauseSeconds = 2.37f;
    ASSERT_EQ(applyRenderOptions(project, options, noMusic), "");
    EXPECT_TRUE(project.settings.customDisplayTime);
    EXPECT_EQ(project.settings.stillFrames, 59);
}

TEST(AlbumFromOptions, TransitionCaptionLogoAndCover) {
    AlbumProject project = albumOf(3);
    RenderOptions options;
    options.transition = 17;
    options.caption = "标题";
    options.logo = "logo.png";
    options.logoPosition = 0;
    options.cover = "/c/cover.jpg";
    ASSERT_EQ(applyRenderOptions(project, options, noMusic), "");
    EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION) << "the first picture enters plainly";
    EXPECT_EQ(project.items[1].animationIndex, 17);
    EXPECT_EQ(project.items[2].animationName, project.items[1].animationName);
    for (const AlbumItem& item : project.items) {
        EXPECT_EQ(item.caption.text, "标题");
        EXPECT_EQ(item.caption.location, kDefaultCaptionLocation);
        EXPECT_TRUE(item.caption.enabled);
    }
    EXPECT_TRUE(project.settings.logo);
    EXPECT_EQ(project.settings.logoPath.front(), '/') << "paths are made absolute";
    EXPECT_EQ(project.settings.logoLocation, 0);
    EXPECT_EQ(project.settings.coverPath, "/c/cover.jpg");
}

TEST(AlbumFromOptions, FocusIsTheAlbumsAndNoOptionKeepsTheFilesChoice) {
    for (const auto& [fileChoice, option, expected] :
         {std::tuple{FocusMode::Auto, std::optional<FocusMode>(), FocusMode::Auto},
          std::tuple{FocusMode::Center, std::optional(FocusMode::Auto), FocusMode::Auto},
          std::tuple{FocusMode::Auto, std::optional(FocusMode::Center), FocusMode::Center}}) {
        AlbumProject project = albumOf(2);
        project.settings.focus = fileChoice;
        RenderOptions options;
        options.focus = option;
        ASSERT_EQ(applyRenderOptions(project, options, noMusic), "");
        EXPECT_EQ(project.settings.focus, expected);
    }
}

TEST(AlbumFromOptions, MotionSetsEveryPictureAndRandomDrawsTheSameMovesEachTime) {
    AlbumProject project = albumOf(12);
    project.items[0].motion = CameraMotion::PanLeft; // as a project file may have it
    RenderOptions options;
    ASSERT_EQ(applyRenderOptions(project, options, noMusic), "");
    EXPECT_EQ(project.items[0].motion, CameraMotion::PanLeft) << "no option keeps the file's";
    options.motion = CameraMotionChoice{false, CameraMotion::ZoomOut};
    ASSERT_EQ(applyRenderOptions(project, options, noMusic), "");
    for (const AlbumItem& item : project.items)
        EXPECT_EQ(item.motion, CameraMotion::ZoomOut);
    options.motion = CameraMotionChoice{true, CameraMotion::None};
    AlbumProject again = albumOf(12);
    ASSERT_EQ(applyRenderOptions(project, options, noMusic), "");
    ASSERT_EQ(applyRenderOptions(again, options, noMusic), "");
    std::set<CameraMotion> drawn;
    for (std::size_t i = 0; i < project.items.size(); ++i) {
        EXPECT_NE(project.items[i].motion, CameraMotion::None);
        EXPECT_EQ(project.items[i].motion, again.items[i].motion);
        drawn.insert(project.items[i].motion);
    }
    EXPECT_GT(drawn.size(), 1u);
}

TEST(AlbumFromOptions, MusicThatIsNotAnMp3IsRefusedAndLoopOrFitIsSet) {
    AlbumProject project = albumOf(4);
    RenderOptions options;
    options.music = {"noise.wav"};
    EXPECT_NE(applyRenderOptions(project, options, noMusic), "");
    EXPECT_TRUE(project.musicItems.empty());

    auto minute = [](const std::string& path) -> std::optional<MusicTrack> {
        return MusicTrack{path, 60000.f, 44100};
    };
    options.music = {"song.mp3"};
    options.fitMusic = true;
    ASSERT_EQ(applyRenderOptions(project, options, minute), "");
    ASSERT_EQ(project.musicItems.size(), 1u);
    EXPECT_TRUE(project.settings.bgsoundAutoSetPauseTime);
    EXPECT_FALSE(project.settings.bgsoundAutoSetImageLoopPlay);
    EXPECT_TRUE(project.settings.customDisplayTime) << "display times follow the music";
}

TEST(AlbumFromOptions, RefusedPicturesAreReportedAndTheRestAdded) {
    testing::TempFolder folder;
    AlbumProject project;
    RenderOptions options;
    options.pictures = {testing::writeSolidPicture(folder.file("a.png"), 8, 8, "#ff0000", "png"),
                        folder.writeFile("b.jpg", "not a picture"),
                        testing::writeSolidPicture(folder.file("c.gif"), 8, 8, "#00ff00", "gif")};
    TransitionRandom random(1);
    std::ostringstream report;
    EXPECT_EQ(addCommandLinePictures(project, options, random, report), 2);
    EXPECT_EQ(albumItemCount(project), 2);
    EXPECT_NE(report.str().find("b.jpg"), std::string::npos) << report.str();
}

} // namespace
} // namespace velomira
