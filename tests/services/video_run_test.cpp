// One video run as both front ends start it: the request built once from the album, the
// surroundings and the chosen output; the checks that refuse a run; the output's name.
#include "services/video_run.h"

#include "render/frame_format.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using testing::TempFolder;

std::string formatSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

AlbumProject albumOf(const std::vector<std::string>& names) {
    AlbumProject album;
    setCustomVideoSize(album.settings, 320, 180);
    for (const std::string& name : names) {
        AlbumItem item;
        item.path = "/pictures/" + name;
        item.fileName = name;
        album.items.push_back(item);
    }
    return album;
}

TEST(VideoRun, RequestIsBuiltOnceFromTheAlbumTheFoldersAndTheTransport) {
    StartupFolders folders;
    folders.programFolder = "/opt/velomira";
    folders.workFolder = "/home/user/.velomira";
    folders.workTempFolder = "/home/user/.velomira/temp/copy-7";
    const CaptionFontTable fonts;
    CaptionMargins margins;
    margins.left = 0.1f;
    const VideoRunEnvironment environment = videoRunEnvironment(folders, &fonts, margins);
    const struct {
        std::vector<std::string> pictures;
        FrameTransport transport;
        std::string output;
        FrameFormat format;
    } cases[] = {
        {{"a.jpg"}, FrameTransport::JpegFiles, "/videos/one.mp4", FrameFormat::Jpeg},
        {{"a.jpg", "b.png", "c.jpg"},
         FrameTransport::RawPixels,
         "/videos/three.mp4",
         kRawFrameFormat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        const AlbumProject album = albumOf(c.pictures);
        const VideoRun run = videoRun(album, environment, c.output, c.transport);
        const GenerationRequest& request = run.request;
        EXPECT_EQ(request.encoder.project, &album);
        EXPECT_EQ(request.encoder.encoderPath, "/opt/velomira/tool/ffmpeg");
        EXPECT_EQ(request.coverToolPath, "/opt/velomira/tool/AtomicParsley");
        EXPECT_EQ(request.encoder.workFolder, folders.workTempFolder);
        EXPECT_EQ(request.encoder.errorLog.file, errorLogIn(folders.workFolder).file);
        EXPECT_EQ(request.encoder.frameFormat, c.format);
        EXPECT_EQ(request.outputPath, c.output);
        EXPECT_EQ(request.fonts, &fonts);
        EXPECT_EQ(request.margins.left, 0.1f);
        EXPECT_EQ(run.plan.totalPictures, static_cast<int>(c.pictures.size()));
        EXPECT_FALSE(run.plan.durationText.empty());
    }
}

TEST(VideoRun, OutputIsTheChosenPathWithItsExtensionOrARefusalNamingIt) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "clips.mp4");
    const struct {
        std::string chosen;
        std::string path;    // empty: refused
        std::string refusal; // the start of the refusal's text
    } cases[] = {
        {folder.file("movie"), folder.file("movie.mp4"), ""},
        {folder.file("movie.MP4"), folder.file("movie.MP4"), ""},
        {"", "", "没有指定视频保存路径。"},
        {folder.file("clips"), "", "视频保存路径 " + folder.file("clips.mp4") + " 是一个文件夹"},
        {folder.file("nowhere/movie"), "", "视频保存路径 " + folder.file("nowhere/movie.mp4")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        const VideoOutput output = videoOutputFor(c.chosen);
        EXPECT_EQ(output.path, c.path);
        ASSERT_EQ(output.refusal.has_value(), !c.refusal.empty());
        if (output.refusal) {
            EXPECT_EQ(output.refusal->text.rfind(c.refusal, 0), 0u) << output.refusal->text;
            EXPECT_EQ(output.refusal->title, "提示");
            EXPECT_EQ(output.refusal->kind, MessageKind::Warning);
        }
    }
    AlbumProject album = albumOf({"holiday.2024.jpg", "b.jpg"});
    album.settings.outputNaming = OutputNaming::FirstPicture;
    EXPECT_EQ(proposedVideoName(album, 0), "holiday.2024");
    album.settings.outputNaming = OutputNaming::Empty;
    EXPECT_EQ(proposedVideoName(album, 0), "");
}

TEST(VideoRun, RefusedChecksSayWhatTheWindowPointsAt) {
    TempFolder folder;
    AlbumProject unsized;
    const RunCheck noSize = checkVideoRun(unsized, OutputMode::Video, folder.path());
    EXPECT_FALSE(noSize.accepted);
    ASSERT_TRUE(noSize.failure.has_value());
    EXPECT_EQ(*noSize.failure, (Failure{"请选择视频尺寸", "提示", MessageKind::Warning}));
    EXPECT_TRUE(noSize.focusVideoSize);
    EXPECT_EQ(noSize.musicTrackToSelect, -1);

    AlbumProject album = albumOf({"a.jpg"});
    album.settings.bgsound = true;
    addMusicTrack(album, MusicTrack{folder.file("gone.mp3"), 1000.f, 44100});
    const RunCheck noMusic = checkVideoRun(album, OutputMode::Preview, folder.path());
    EXPECT_FALSE(noMusic.accepted);
    ASSERT_TRUE(noMusic.failure.has_value());
    EXPECT_EQ(noMusic.failure->text, "背景音乐 [gone.mp3] 已不存在，请重新选择。");
    EXPECT_FALSE(noMusic.focusVideoSize);
    EXPECT_EQ(noMusic.musicTrackToSelect, 0);

    album.settings.bgsound = false;
    const RunCheck accepted = checkVideoRun(album, OutputMode::Video, folder.path());
    EXPECT_TRUE(accepted.accepted);
    EXPECT_FALSE(accepted.failure.has_value());
    EXPECT_FALSE(accepted.focusVideoSize);
    EXPECT_EQ(accepted.musicTrackToSelect, -1);
}

// A run whose album cannot keep its limits is refused before anything is rendered, and the
// refusal names the figures the user can change.
TEST(VideoRun, LimitsTheAlbumCannotKeepAreRefusedWithTheirFigures) {
    AlbumProject album = albumOf({"a.jpg", "b.jpg", "c.jpg"});
    const float seconds = planRun(album).videoLength;
    ASSERT_GE(seconds, 3.f);
    MusicTrack music;
    music.path = "/music/loud.mp3";
    const struct {
        const char* name;
        OutputLimits limits;
        bool withMusic;
        std::vector<std::string> refusalParts; // empty: accepted
    } cases[] = {
        {"no limits", {}, true, {}},
        {"a cap with room", {4000000, 0, ""}, true, {}},
        {"long enough", {0, seconds + 1.0, "主图视频"}, false, {}},
        {"too long for the preset",
         {0, seconds - 1.0, "主图视频"},
         false,
         {"主图视频", formatSeconds(seconds), formatSeconds(seconds - 1.0)}},
        // 128 kbit/s over the album's length is more than the whole cap.
        {"music alone over the cap", {20000, 0, ""}, true, {"0.02 MB", "128 kbit/s", "背景音乐"}},
        // No music, but too little left for a picture at this size.
        {"rate too low",
         {24000, 0, ""},
         false,
         {"0.02 MB", "320 x 180", "更小的视频尺寸", "缩短相册"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        album.musicItems.clear();
        if (c.withMusic)
            album.musicItems.push_back(music);
        const VideoRun run =
            videoRun(album, {}, "/videos/out.mp4", FrameTransport::JpegFiles, c.limits);
        EXPECT_EQ(run.request.maxBytes, c.limits.maxBytes);
        ASSERT_EQ(run.refusal.has_value(), !c.refusalParts.empty());
        for (const std::string& part : c.refusalParts)
            EXPECT_NE(run.refusal->text.find(part), std::string::npos) << run.refusal->text;
    }
}

} // namespace
} // namespace velomira
