#include "album/project_document.h"
#include "album/project_reading.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace velomira {
namespace {

AlbumProject twoPictureAlbum() {
    AlbumProject album;
    resetProjectOptions(album, "Font");
    TransitionRandom random(1);
    insertAlbumItem(album, "/p/春天.jpg", -1, false, random);
    insertAlbumItem(album, "/p/b.jpg", -1, false, random);
    setAlbumItemTransition(album, 1, 10);
    album.items[1].caption.text = "你好";
    album.items[1].caption.location = 7;
    album.items[1].turnAngle = 90;
    addMusicTrack(album, {"/m/a.mp3", 1000.0f, 44100});
    addMusicTrack(album, {"/m/b.mp3", 2000.0f, 22050});
    return album;
}

TEST(ProjectDocumentPrint, WritesEveryMemberInOrderWithTabsAndWholeNumbers) {
    const std::string expected = "{\n"
                                 "\t\"text_watermark\":\t0,\n"
                                 "\t\"text_watermark_font\":\t0,\n"
                                 "\t\"text_watermark_font_size\":\t8,\n"
                                 "\t\"text_watermark_color\":\t8,\n"
                                 "\t\"logo\":\t0,\n"
                                 "\t\"logo_path\":\t\"\",\n"
                                 "\t\"logo_location\":\t2,\n"
                                 "\t\"bgsound\":\t1,\n"
                                 "\t\"bgsound_auto_set_pause_time\":\t0,\n"
                                 "\t\"bgsound_auto_set_image_loop_play\":\t0,\n"
                                 "\t\"cover\":\t0,\n"
                                 "\t\"cover_path\":\t\"\",\n"
                                 "\t\"video_size\":\t\"\",\n"
                                 "\t\"pause_time\":\t21,\n"
                                 "\t\"bgsound_items\":\t[\"/m/a.mp3\", \"/m/b.mp3\"],\n"
                                 "\t\"imgs\":\t[{\n"
                                 "\t\t\t\"path\":\t\"/p/春天.jpg\",\n"
                                 "\t\t\t\"animationIndex\":\t99,\n"
                                 "\t\t\t\"animationName\":\t\"无动画\",\n"
                                 "\t\t\t\"fileName\":\t\"春天.jpg\",\n"
                                 "\t\t\t\"watermark_location\":\t4,\n"
                                 "\t\t\t\"watermark_text\":\t\"\",\n"
                                 "\t\t\t\"turnAngle\":\t0\n"
                                 "\t\t}, {\n"
                                 "\t\t\t\"path\":\t\"/p/b.jpg\",\n"
                                 "\t\t\t\"animationIndex\":\t10,\n"
                                 "\t\t\t\"animationName\":\t\"" +
                                 std::string(transitionNameOrNone(10)) +
                                 "\",\n"
                                 "\t\t\t\"fileName\":\t\"b.jpg\",\n"
                                 "\t\t\t\"watermark_location\":\t7,\n"
                                 "\t\t\t\"watermark_text\":\t\"你好\",\n"
                                 "\t\t\t\"turnAngle\":\t90\n"
                                 "\t\t}]\n"
                                 "}";
    EXPECT_EQ(printProjectDocument(documentFromAlbum(twoPictureAlbum())), expected);
}

TEST(ProjectDocumentPrint, CameraMotionIsWrittenAfterTheTurnOnlyWhenSet) {
    AlbumProject album = twoPictureAlbum();
    const std::string still = printProjectDocument(documentFromAlbum(album));
    EXPECT_EQ(still.find("motion"), std::string::npos);
    album.items[1].motion = CameraMotion::PanDown;
    const std::string moving = printProjectDocument(documentFromAlbum(album));
    EXPECT_NE(moving.find("\t\t\t\"turnAngle\":\t90,\n\t\t\t\"motion\":\t6\n\t\t}]"),
              std::string::npos)
        << moving;
    EXPECT_EQ(moving.find("motion"), moving.rfind("motion")); // the still picture has none
}

TEST(ProjectDocumentPrint, FillModesAreWrittenOnlyWhenNotFitOrWhenAPictureHasItsOwn) {
    AlbumProject album = twoPictureAlbum();
    const std::string plain = printProjectDocument(documentFromAlbum(album));
    EXPECT_EQ(plain.find("ill"), std::string::npos);
    chooseFillMode(album.settings, FillMode::Blur);
    album.items[0].fillMode = FillMode::Fit;
    const std::string filled = printProjectDocument(documentFromAlbum(album));
    EXPECT_NE(filled.find("\t\t\t\"watermark_text\":\t\"\",\n\t\t\t\"turnAngle\":\t0,\n"
                          "\t\t\t\"fillMode\":\t\"fit\"\n\t\t}, {"),
              std::string::npos)
        << filled;
    EXPECT_NE(filled.find("\t\t}],\n\t\"fill_mode\":\t\"blur\"\n}"), std::string::npos) << filled;
    EXPECT_EQ(filled.find("fillMode"), filled.rfind("fillMode")); // the second picture has none

    const ProjectReading read = parseProjectDocument(filled);
    EXPECT_EQ(read.flaw, ProjectFlaw::None);
    EXPECT_TRUE(read.document == documentFromAlbum(album));
}

TEST(ProjectDocumentPrint, EncoderSpeedIsWrittenLastAndOnlyWhenNotStandard) {
    const std::string standard = printProjectDocument(documentFromAlbum(twoPictureAlbum()));
    const struct {
        EncoderSpeed speed;
        const char* written; // nullptr: the file is the standard one, byte for byte
        const char* preset;
    } cases[] = {
        {EncoderSpeed::Standard, nullptr, ""},
        {EncoderSpeed::Fast, "fast", "veryfast"},
        {EncoderSpeed::Fine, "fine", "slow"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(encoderSpeedName(c.speed));
        AlbumProject album = twoPictureAlbum();
        album.settings.encoderSpeed = c.speed;
        const std::string text = printProjectDocument(documentFromAlbum(album));
        if (c.written == nullptr) {
            EXPECT_EQ(text, standard);
        } else {
            EXPECT_EQ(text, standard.substr(0, standard.size() - 2) +
                                ",\n\t\"encoder_speed\":\t\"" + c.written + "\"\n}");
        }
        const ProjectReading read = parseProjectDocument(text);
        EXPECT_EQ(read.flaw, ProjectFlaw::None);
        EXPECT_TRUE(read.document == documentFromAlbum(album));
        EXPECT_EQ(parseEncoderSpeed(encoderSpeedName(c.speed)), c.speed);
        EXPECT_EQ(encoderSpeedPreset(c.speed), c.preset);
    }
    for (const char* unknown : {"", "Fast", "veryfast", "medium"})
        EXPECT_EQ(parseEncoderSpeed(unknown), std::nullopt) << unknown;
}

TEST(ProjectDocumentPrint, EmptyAlbumHasEmptyArraysAndAbsentMembersAreLeftOut) {
    AlbumProject album;
    resetProjectOptions(album, "");
    const std::string printed = printProjectDocument(documentFromAlbum(album));
    EXPECT_NE(printed.find("\t\"bgsound_items\":\t[],\n\t\"imgs\":\t[]\n}"), std::string::npos)
        << printed;

    ProjectDocument partial;
    partial.videoSize = "400x400";
    const std::string sparse = printProjectDocument(partial);
    for (const char* absent : {"text_watermark_font_size", "logo_path", "cover", "imgs",
                               "bgsound_items", "bgsound_auto_set_image_loop_play"}) {
        EXPECT_EQ(sparse.find(std::string("\"") + absent + "\""), std::string::npos) << absent;
    }
    EXPECT_NE(sparse.find("\"video_size\":\t\"400x400\""), std::string::npos);
}

TEST(DocumentFromAlbum, ReadsTheOptionsAsTheControlsHoldThem) {
    AlbumProject album = twoPictureAlbum();
    VideoSettings& s = album.settings;
    applyCaptionSwitch(album, true);
    applyCaptionFont(album, 2, "Third");
    s.textWatermarkFontSize = 12;
    applyCaptionColour(album, 13);
    s.logo = true;
    s.logoPath = "/logo/标志.png";
    s.logoLocation = 3;
    s.bgsound = false;
    s.bgsoundAutoSetPauseTime = true;
    s.cover = true;
    s.coverPath = "/c.jpg";
    ASSERT_GE(selectVideoSizeText(s, "1280x720"), 1);
    choosePauseTime(s, 37);
    // While display times follow the music the stored index is still the selection's.
    setCustomDisplayTime(s, "3.25秒");

    const ProjectDocument d = documentFromAlbum(album);
    EXPECT_EQ(d.textWatermark, 1);
    EXPECT_EQ(d.textWatermarkFont, 2);
    EXPECT_EQ(d.textWatermarkFontSize, 12);
    EXPECT_EQ(d.textWatermarkColor, 13);
    EXPECT_EQ(d.logo, 1);
    EXPECT_EQ(d.logoPath, "/logo/标志.png");
    EXPECT_EQ(d.logoLocation, 3);
    EXPECT_EQ(d.bgsound, 0);
    EXPECT_EQ(d.bgsoundAutoSetPauseTime, 1);
    EXPECT_EQ(d.bgsoundAutoSetImageLoopPlay, 0);
    EXPECT_EQ(d.cover, 1);
    EXPECT_EQ(d.coverPath, "/c.jpg");
    EXPECT_EQ(d.videoSize, "1280x720");
    EXPECT_EQ(d.pauseTime, 37);
    ASSERT_TRUE(d.bgsoundItems && d.imgs);
    EXPECT_EQ(d.bgsoundItems->size(), 2u);
    ASSERT_EQ(d.imgs->size(), 2u);
    EXPECT_EQ((*d.imgs)[1].turnAngle, 90);

    // A custom size is written as the output size it selected.
    ASSERT_GE(setCustomVideoSize(s, 500, 500), 1);
    EXPECT_EQ(documentFromAlbum(album).videoSize, "500x500");
    chooseVideoSize(s, 0);
    EXPECT_EQ(documentFromAlbum(album).videoSize, "");
}

ProjectItemEntry entry(const std::string& path, int transition, std::optional<int> turn,
                       std::optional<int> motion = std::nullopt,
                       std::optional<std::string> fill = std::nullopt) {
    return {path,   transition, "名字",       "f.jpg",      3,           "字幕 \"引号\"\t\\", turn,
            motion, fill,       std::nullopt, std::nullopt, std::nullopt};
}

TEST(ProjectDocumentRead, PrintedDocumentsReadBackUnchanged) {
    ProjectDocument bare; // every optional member absent
    ProjectDocument full = documentFromAlbum(twoPictureAlbum());
    full.logoPath = "/标志 😀.png";
    full.coverPath = "";
    full.videoSize = "500x500";
    ProjectDocument extremes = full;
    extremes.textWatermark = INT_MAX;
    extremes.textWatermarkFont = INT_MIN;
    extremes.textWatermarkFontSize = -1;
    extremes.pauseTime = 0;
    extremes.bgsoundItems = std::vector<std::string>{};
    extremes.imgs = std::vector<ProjectItemEntry>{};
    ProjectDocument pictures = bare;
    pictures.imgs = std::vector<ProjectItemEntry>{entry("/a.jpg", 0, std::nullopt),
                                                  entry("/b.jpg", 99, 270, 6, "crop"),
                                                  entry("", -5, -90, 99, "")};
    pictures.fillMode = "blur";
    pictures.bgsoundItems = std::vector<std::string>{"/m/一.mp3", "", "/m/b.MP3"};
    pictures.cover = 1;
    pictures.bgsoundAutoSetImageLoopPlay = 0;
    const struct {
        const char* name;
        ProjectDocument document;
    } cases[] = {{"bare", bare}, {"full", full}, {"extremes", extremes}, {"pictures", pictures}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProjectReading read = parseProjectDocument(printProjectDocument(c.document));
        EXPECT_EQ(read.flaw, ProjectFlaw::None);
        EXPECT_FALSE(read.failure);
        EXPECT_EQ(read.optionsRead, kProjectOptionCount);
        EXPECT_TRUE(read.document == c.document);
    }
}

TEST(ProjectDocumentRead, FlawsSayWhereReadingStopped) {
    const std::string options =
        "\"text_watermark\":1,\"text_watermark_font\":0,\"text_watermark_color\":8,"
        "\"logo\":0,\"logo_location\":2,\"bgsound\":1,\"bgsound_auto_set_pause_time\":0,"
        "\"video_size\":\"\"";
    const std::string picture = "{\"path\":\"/a.jpg\",\"animationIndex\":1,"
                                "\"animationName\":\"\",\"fileName\":\"a.jpg\","
                                "\"watermark_location\":4,\"watermark_text\":\"\"}";
    const struct {
        std::string text;
        ProjectFlaw flaw;
        int optionsRead;
        std::size_t pictures; // entries read
    } cases[] = {
        {"{" + options + ",\"pause_time\":21}", ProjectFlaw::None, kProjectOptionCount, 0},
        {"not json", ProjectFlaw::NotAProject, 0, 0},
        {"[" + picture + "]", ProjectFlaw::NotAProject, 0, 0},
        {"{\"bgsound_items\":\"/a.mp3\"," + options + ",\"pause_time\":21}", ProjectFlaw::MusicList,
         0, 0},
        {"{\"imgs\":{}," + options + ",\"pause_time\":21}", ProjectFlaw::PictureList, 0, 0},
        {"{\"imgs\":[" + picture + "," + picture + ",5," + picture + "]," + options +
             ",\"pause_time\":21}",
         ProjectFlaw::PictureList, 0, 2},
        {"{\"imgs\":[" + picture + "]," + options + "}", ProjectFlaw::Options, 13, 1},
        {"{" + options + ",\"pause_time\":21,\"logo_path\":5}", ProjectFlaw::Options, 5, 0},
        {"{" + options + ",\"pause_time\":21,\"TEXT_WATERMARK\":\"1\"}", ProjectFlaw::None,
         kProjectOptionCount, 0}, // the first of a name counts
        {"{\"text_watermark\":\"1\"}", ProjectFlaw::Options, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const ProjectReading read = parseProjectDocument(c.text);
        EXPECT_EQ(read.flaw, c.flaw);
        EXPECT_EQ(read.optionsRead, c.optionsRead);
        EXPECT_EQ(read.document.imgs.value_or(std::vector<ProjectItemEntry>{}).size(), c.pictures);
        EXPECT_EQ(read.failure.has_value(), c.flaw != ProjectFlaw::None);
        if (read.failure) {
            EXPECT_EQ(*read.failure, (Failure{"文件格式不对！", "提示", MessageKind::Error}));
        }
    }
}

} // namespace
} // namespace velomira
