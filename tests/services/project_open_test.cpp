#include "project_open_fixture.h"

#include "album/project_document.h"
#include "album/project_file.h"
#include "album/project_text.h"
#include "support/source_root.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace velomira::testing {
namespace {

namespace fs = std::filesystem;
namespace k = project_keys;

using Edit = std::function<void(cJSON* root)>;

// Writes the file of the fixture's album after an edit of its JSON tree, as GBK.
std::string writeEdited(ProjectOpenFixture& f, const std::string& name, const Edit& edit) {
    const std::string printed = printProjectDocument(documentFromAlbum(f.album));
    JsonTree tree = parseProjectJson(printed);
    edit(tree.get());
    char* text = cJSON_Print(tree.get());
    const std::string utf8 = text;
    cJSON_free(text);
    const std::string path = f.folder.file(name);
    writeBytes(path, projectTextToGbk(utf8));
    return path;
}

void setNumber(cJSON* object, const char* key, double value) {
    cJSON_ReplaceItemInObject(object, key, cJSON_CreateNumber(value));
}

void setString(cJSON* object, const char* key, const std::string& value) {
    cJSON_ReplaceItemInObject(object, key, cJSON_CreateString(value.c_str()));
}

cJSON* firstPicture(cJSON* root) {
    return cJSON_GetArrayItem(cJSON_GetObjectItem(root, k::imgs), 0);
}

// Fills every option with a value other than its start value; pictures and music as given.
void setEveryOption(AlbumProject& album) {
    VideoSettings& s = album.settings;
    applyCaptionSwitch(album, true);
    applyCaptionFont(album, 1, testFontNames()[1]);
    s.textWatermarkFontSize = 3;
    applyCaptionColour(album, 5);
    s.logo = true;
    s.logoPath = "/home/用户/标志 😀.png";
    s.logoLocation = 1;
    s.bgsound = true;
    s.bgsoundAutoSetImageLoopPlay = true;
    s.cover = true;
    s.coverPath = "/home/用户/封面€.jpg";
    setCustomVideoSize(s, 500, 500);
    choosePauseTime(s, 30);
}

// An album whose every option differs from its start value, one picture and one track.
void fillAlbum(ProjectOpenFixture& f) {
    f.add(f.picture("a.png"));
    addMusicTrack(f.album, {f.music("song.mp3"), 3000.0f, 44100});
    VideoSettings& s = f.album.settings;
    applyCaptionSwitch(f.album, true);
    applyCaptionFont(f.album, 2, testFontNames()[2]);
    s.textWatermarkFontSize = 2;
    applyCaptionColour(f.album, 3);
    s.logo = true;
    s.logoPath = "/l.png";
    s.logoLocation = 0;
    s.bgsound = false;
    s.bgsoundAutoSetImageLoopPlay = true;
    s.cover = true;
    s.coverPath = "/c.png";
    selectVideoSizeText(s, "640x480");
    choosePauseTime(s, 5);
}

void expectFormatError(const ProjectOpenFixture& f) {
    const auto messages = f.failures;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "文件格式不对！");
    EXPECT_EQ(messages[0].title, "提示");
    EXPECT_TRUE(f.file.path.empty());
    EXPECT_EQ(f.file.name, "新项目");
}

// Whether each option holds the value fillAlbum gave it (true) or its start value (false).
struct OptionCheck {
    const char* key;
    std::function<bool(const VideoSettings&)> applied;
};

const std::vector<OptionCheck>& requiredInOrder() {
    static const std::vector<OptionCheck> checks = {
        {k::textWatermark, [](const VideoSettings& s) { return s.textWatermark; }},
        {k::textWatermarkFont, [](const VideoSettings& s) { return s.textWatermarkFont == 2; }},
        {k::textWatermarkColor, [](const VideoSettings& s) { return s.textWatermarkColor == 3; }},
        {k::logo, [](const VideoSettings& s) { return s.logo; }},
        {k::logoLocation, [](const VideoSettings& s) { return s.logoLocation == 0; }},
        {k::bgsound, [](const VideoSettings& s) { return !s.bgsound; }},
        {k::bgsoundAutoSetPauseTime,
         // Switched by the loop play that follows it; stays off either way.
         [](const VideoSettings& s) { return s.bgsoundAutoSetImageLoopPlay; }},
        {k::videoSize, [](const VideoSettings& s) { return s.videoWidth == 640; }},
        {k::pauseTime, [](const VideoSettings& s) { return s.pauseTime == 5; }},
    };
    return checks;
}

TEST(ProjectOpen, MissingRequiredMemberStopsAfterWhatCameBefore) {
    for (std::size_t missing = 0; missing < requiredInOrder().size(); ++missing) {
        ProjectOpenFixture f;
        fillAlbum(f);
        const char* key = requiredInOrder()[missing].key;
        const std::string path =
            writeEdited(f, "p.dat", [key](cJSON* root) { cJSON_DeleteItemFromObject(root, key); });
        EXPECT_FALSE(f.open(path)) << key;
        expectFormatError(f);
        // Music and pictures come before every option.
        EXPECT_EQ(f.album.items.size(), 1u) << key;
        EXPECT_EQ(f.album.musicItems.size(), 1u) << key;
        for (std::size_t i = 0; i < requiredInOrder().size(); ++i) {
            if (i == 6) {
                continue; // the automatic display time has no visible value of its own
            }
            EXPECT_EQ(requiredInOrder()[i].applied(f.album.settings), i < missing)
                << "missing " << key << ", checking " << requiredInOrder()[i].key;
        }
    }
}

TEST(ProjectOpen, TextThatIsNotAProjectIsTheFormatError) {
    const std::vector<std::string> texts = {
        "not json at all",
        "{\"text_watermark\": 1, \"text_wat",           // truncated
        std::string("\x81\x30\xFF\xFE\xA1\xA1\x80", 7), // GBK garbage
        "[1, 2, 3]",
        "\"text\"",
        std::string(3000, '[') + std::string(3000, ']'), // nested too deep
        "{\"imgs\": " + std::string(900, '[') + std::string(900, ']') + "}",
    };
    for (const std::string& text : texts) {
        ProjectOpenFixture f;
        f.add(f.picture("before.png"));
        const std::string path = f.folder.writeFile("bad.dat", text);
        EXPECT_FALSE(f.open(path));
        expectFormatError(f);
        EXPECT_TRUE(f.album.items.empty()); // the old album is gone: a new untitled project
    }
}

TEST(ProjectOpen, MembersOfTheWrongTypeAreTheFormatError) {
    const std::vector<std::pair<const char*, Edit>> edits = {
        {"number as text", [](cJSON* r) { setString(r, k::textWatermark, "1"); }},
        {"path as number", [](cJSON* r) { setNumber(r, k::logoPath, 5); }},
        {"size as number", [](cJSON* r) { setNumber(r, k::videoSize, 640); }},
        {"optional number as text", [](cJSON* r) { setString(r, k::cover, "yes"); }},
        {"imgs as object",
         [](cJSON* r) { cJSON_ReplaceItemInObject(r, k::imgs, cJSON_CreateObject()); }},
        {"music as text", [](cJSON* r) { setString(r, k::bgsoundItems, "/a.mp3"); }},
        {"picture entry as number",
         [](cJSON* r) {
             cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, k::imgs), 0, cJSON_CreateNumber(1));
         }},
        {"picture without fileName",
         [](cJSON* r) { cJSON_DeleteItemFromObject(firstPicture(r), k::fileName); }},
        {"turnAngle as text", [](cJSON* r) { setString(firstPicture(r), k::turnAngle, "90"); }},
        {"pause_time as null",
         [](cJSON* r) { cJSON_ReplaceItemInObject(r, k::pauseTime, cJSON_CreateNull()); }},
    };
    for (const auto& [what, edit] : edits) {
        SCOPED_TRACE(what);
        ProjectOpenFixture f;
        fillAlbum(f);
        EXPECT_FALSE(f.open(writeEdited(f, "p.dat", edit)));
        expectFormatError(f);
    }
}

TEST(ProjectOpen, MalformedPictureEntryKeepsThePicturesBeforeIt) {
    ProjectOpenFixture f;
    f.add(f.picture("a.png"));
    f.add(f.picture("b.png"));
    f.add(f.picture("c.png"));
    const std::string path = writeEdited(f, "p.dat", [](cJSON* r) {
        cJSON_DeleteItemFromObject(cJSON_GetArrayItem(cJSON_GetObjectItem(r, k::imgs), 2), k::path);
    });
    EXPECT_FALSE(f.open(path));
    expectFormatError(f);
    EXPECT_EQ(f.album.items.size(), 2u);
}

TEST(ProjectOpen, AbsentOptionalMembersTakeTheirDefaults) {
    ProjectOpenFixture f;
    fillAlbum(f);
    f.album.items[0].turnAngle = 180;
    const std::string path = writeEdited(f, "p.dat", [](cJSON* r) {
        for (const char* key : {k::textWatermarkFontSize, k::logoPath, k::cover, k::coverPath,
                                k::bgsoundAutoSetImageLoopPlay}) {
            cJSON_DeleteItemFromObject(r, key);
        }
        cJSON_DeleteItemFromObject(firstPicture(r), k::turnAngle);
    });
    ASSERT_TRUE(f.open(path));
    const VideoSettings& s = f.album.settings;
    EXPECT_EQ(s.textWatermarkFontSize, 8);
    EXPECT_TRUE(s.logoPath.empty());
    EXPECT_FALSE(s.cover);
    EXPECT_TRUE(s.coverPath.empty());
    EXPECT_FALSE(s.bgsoundAutoSetImageLoopPlay);
    EXPECT_EQ(f.album.items[0].turnAngle, 0);
    EXPECT_EQ(f.file.name, "p.dat");

    // Without music and pictures the options still apply.
    ProjectOpenFixture g;
    g.album.settings.logo = true;
    const std::string bare = writeEdited(g, "bare.dat", [](cJSON* r) {
        cJSON_DeleteItemFromObject(r, k::imgs);
        cJSON_DeleteItemFromObject(r, k::bgsoundItems);
    });
    ASSERT_TRUE(g.open(bare));
    EXPECT_TRUE(g.album.settings.logo);
}

TEST(ProjectOpen, SizeMissingFromTheListIsAddedOrNamedWhenDropped) {
    struct Case {
        std::string size;
        int width; // 0: dropped, with a message naming the size
    } cases[] = {{"2560x1440", 2560}, {"4096x2160", 0}, {"641x480", 0}, {"1920x1080", 1920}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        ProjectOpenFixture f;
        fillAlbum(f);
        const std::string path =
            writeEdited(f, "p.dat", [&](cJSON* r) { setString(r, k::videoSize, c.size.c_str()); });
        ASSERT_TRUE(f.open(path));
        const VideoSettings& s = f.album.settings;
        if (c.width > 0) {
            EXPECT_EQ(s.videoWidth, c.width);
            EXPECT_EQ(s.videoSizeTexts.at(s.videoSize), c.size);
            EXPECT_TRUE(f.messageTexts().empty());
        } else {
            EXPECT_EQ(s.videoSize, 0);
            ASSERT_EQ(f.messageTexts().size(), 1u);
            EXPECT_NE(f.messageTexts()[0].find("视频尺寸 " + c.size + " 不受支持"),
                      std::string::npos);
        }
    }
}

TEST(ProjectOpen, ValuesOutsideTheirRangesAreBroughtIntoThem) {
    ProjectOpenFixture f;
    fillAlbum(f);
    const std::string path = writeEdited(f, "p.dat", [](cJSON* r) {
        setNumber(r, k::logoLocation, 7);
        setNumber(r, k::textWatermarkFont, 9); // this computer has three fonts
        setNumber(r, k::textWatermarkFontSize, 40);
        setNumber(r, k::textWatermarkColor, -1);
        setNumber(r, k::pauseTime, 1e300);
        setString(r, k::videoSize, "99999x5");
        cJSON* picture = firstPicture(r);
        setNumber(picture, k::animationIndex, 500);
        setNumber(picture, k::watermarkLocation, 12);
        setNumber(picture, k::turnAngle, -90);
    });
    ASSERT_TRUE(f.open(path));
    const VideoSettings& s = f.album.settings;
    EXPECT_EQ(s.logoLocation, 2);
    EXPECT_EQ(s.textWatermarkFont, 0);
    EXPECT_EQ(s.captionFontName, testFontNames()[0]);
    EXPECT_EQ(f.album.items[0].caption.fontName, testFontNames()[0]);
    EXPECT_EQ(s.textWatermarkFontSize, 8);
    EXPECT_EQ(s.textWatermarkColor, 8);
    EXPECT_EQ(s.pauseTime, 21);
    EXPECT_EQ(s.videoSize, 0);
    const AlbumItem& item = f.album.items[0];
    EXPECT_EQ(item.animationIndex, NO_TRANSITION);
    EXPECT_EQ(item.animationName, "无动画");
    EXPECT_EQ(item.caption.location, 4);
    EXPECT_EQ(item.turnAngle, 270);

    ProjectOpenFixture g;
    fillAlbum(g);
    const std::string odd = writeEdited(g, "odd.dat", [](cJSON* r) {
        setNumber(firstPicture(r), k::turnAngle, 45);
        setNumber(firstPicture(r), k::animationIndex, 12.9);
    });
    ASSERT_TRUE(g.open(odd));
    EXPECT_EQ(g.album.items[0].turnAngle, 0);
    EXPECT_EQ(g.album.items[0].animationIndex, 12);
    EXPECT_EQ(g.album.items[0].animationName, transitionNameOrNone(12));
}

TEST(ProjectOpen, CameraMotionReadsItsSixValuesAndAnythingElseAsNone) {
    const auto put = [](cJSON* value) {
        return
            [value](cJSON* root) { cJSON_AddItemToObject(firstPicture(root), k::motion, value); };
    };
    struct Case {
        const char* name;
        Edit edit;
        CameraMotion motion;
    } cases[] = {
        {"zoom out", put(cJSON_CreateNumber(2)), CameraMotion::ZoomOut},
        {"pan down", put(cJSON_CreateNumber(6)), CameraMotion::PanDown},
        {"99", put(cJSON_CreateNumber(99)), CameraMotion::None},
        {"-3", put(cJSON_CreateNumber(-3)), CameraMotion::None},
        {"text", put(cJSON_CreateString("zoom-in")), CameraMotion::None},
        {"absent", [](cJSON*) {}, CameraMotion::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProjectOpenFixture f;
        fillAlbum(f);
        const std::string path = writeEdited(f, "p.dat", c.edit);
        ASSERT_TRUE(f.open(path)) << ::testing::PrintToString(f.messageTexts());
        ASSERT_EQ(f.album.items.size(), 1u);
        EXPECT_EQ(f.album.items[0].motion, c.motion);
    }
}

TEST(ProjectOpen, FillModesAndSafeAreasReadAsSavedAndFilesWithoutThemKeepTheOldLook) {
    const auto put = [](const char* key, cJSON* value, bool picture) {
        return [=](cJSON* root) {
            cJSON_AddItemToObject(picture ? firstPicture(root) : root, key, value);
        };
    };
    struct Case {
        const char* name;
        Edit edit;
        FillMode album;
        std::optional<FillMode> picture;
        bool safeAreas;
    } cases[] = {
        {"none of them", [](cJSON*) {}, FillMode::Fit, std::nullopt, false},
        {"album blur", put(k::fillMode, cJSON_CreateString("blur"), false), FillMode::Blur,
         std::nullopt, false},
        {"album unknown", put(k::fillMode, cJSON_CreateString("zoom"), false), FillMode::Fit,
         std::nullopt, false},
        {"album number", put(k::fillMode, cJSON_CreateNumber(2), false), FillMode::Fit,
         std::nullopt, false},
        {"picture crop", put(k::itemFillMode, cJSON_CreateString("crop"), true), FillMode::Fit,
         FillMode::Crop, false},
        {"picture unknown", put(k::itemFillMode, cJSON_CreateString(""), true), FillMode::Fit,
         std::nullopt, false},
        {"safe areas", put(k::safeAreas, cJSON_CreateNumber(1), false), FillMode::Fit, std::nullopt,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProjectOpenFixture f;
        fillAlbum(f);
        selectVideoSizeText(f.album.settings, "720x1280");
        chooseFillMode(f.album.settings, FillMode::Fit); // as saved before fill modes existed
        const std::string path = writeEdited(f, "p.dat", c.edit);
        // The album it opens into would start a new album in blur with safe areas.
        f.album.settings.newAlbumFill = NewAlbumFill::FollowSize;
        f.album.settings.newAlbumSafeAreas = true;
        ASSERT_TRUE(f.open(path)) << ::testing::PrintToString(f.messageTexts());
        ASSERT_EQ(f.album.items.size(), 1u);
        EXPECT_EQ(f.album.settings.videoHeight, 1280);
        EXPECT_EQ(f.album.settings.fillMode, c.album);
        EXPECT_EQ(f.album.items[0].fillMode, c.picture);
        EXPECT_EQ(f.album.settings.safeAreas, c.safeAreas);
    }
    // A vertical album saved before fill modes existed prints back byte for byte.
    ProjectOpenFixture f;
    fillAlbum(f);
    selectVideoSizeText(f.album.settings, "720x1280");
    chooseFillMode(f.album.settings, FillMode::Fit);
    const std::string path = writeEdited(f, "old.dat", [](cJSON*) {});
    ASSERT_EQ(readBytes(path).find("fill"), std::string::npos);
    f.album.settings.newAlbumSafeAreas = true;
    ASSERT_TRUE(f.open(path));
    EXPECT_EQ(projectTextToGbk(printProjectDocument(documentFromAlbum(f.album))), readBytes(path));
}

TEST(ProjectOpen, TextsLongerThanTheModelAllowsAreCutOrRefused) {
    ProjectOpenFixture f;
    f.add(f.picture("a.png"));
    const std::string longPath = "/" + std::string(300, 'x') + ".png";
    // 277 bytes in UTF-8 but 253 in GBK, the form the limit counts.
    std::string coverPath = "/" + std::string(200, 'x');
    for (int i = 0; i < 6; ++i) {
        coverPath += "封面图片";
    }
    coverPath += ".png";
    const std::string path = writeEdited(f, "p.dat", [&](cJSON* r) {
        setString(firstPicture(r), k::watermarkText, std::string(150, 'x') + std::string(300, 'y'));
        setString(firstPicture(r), k::fileName, std::string(400, 'n'));
        setString(r, k::logoPath, longPath);
        setString(r, k::coverPath, coverPath);
        cJSON_AddItemToArray(cJSON_GetObjectItem(r, k::imgs),
                             cJSON_Duplicate(firstPicture(r), true));
        setString(cJSON_GetArrayItem(cJSON_GetObjectItem(r, k::imgs), 1), k::path, longPath);
    });
    ASSERT_TRUE(f.open(path));
    ASSERT_EQ(f.album.items.size(), 1u);
    EXPECT_EQ(f.album.items[0].caption.text.size(), static_cast<std::size_t>(maxCaptionTextBytes));
    EXPECT_EQ(f.album.items[0].fileName.size(), static_cast<std::size_t>(maxPathBytes));
    EXPECT_TRUE(f.album.settings.logoPath.empty());
    EXPECT_EQ(f.album.settings.coverPath, coverPath);
    EXPECT_EQ(f.infoLines, std::vector<std::string>{"图片读取失败:\r\n" + longPath});
}

TEST(ProjectOpen, LogoLocationSevenOpensAsTwo) {
    ProjectOpenFixture f;
    fillAlbum(f);
    ASSERT_TRUE(
        f.open(writeEdited(f, "p.dat", [](cJSON* r) { setNumber(r, k::logoLocation, 7); })));
    EXPECT_EQ(f.album.settings.logoLocation, 2);
}

TEST(ProjectOpen, NewVideoSizeIsAddedOnceAndSelected) {
    ProjectOpenFixture f;
    fillAlbum(f);
    const std::string path =
        writeEdited(f, "p.dat", [](cJSON* r) { setString(r, k::videoSize, "500x500"); });
    const std::size_t sizesBefore = f.album.settings.videoSizeTexts.size();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(f.open(path));
        const VideoSettings& s = f.album.settings;
        EXPECT_EQ(s.videoSizeTexts.size(), sizesBefore + 1);
        EXPECT_EQ(s.videoSizeTexts[s.videoSize], "500x500");
        EXPECT_EQ(s.videoWidth, 500);
        EXPECT_EQ(s.videoHeight, 500);
        const std::vector<std::string> labels = videoSizeChoiceLabels(s);
        EXPECT_EQ(labels[labels.size() - 2], "500x500");
        EXPECT_EQ(labels.back(), "自定义...");
    }
}

TEST(ProjectOpen, EachAddedPictureTakesItsOwnEntry) {
    ProjectOpenFixture f;
    const std::string gone = f.picture("gone.png");
    f.add(f.picture("a.png"));
    f.add(gone);
    f.add(f.picture("c.png"));
    setAlbumItemCaptionText(f.album, 0, "第一");
    setAlbumItemCaptionText(f.album, 1, "第二");
    setAlbumItemCaptionText(f.album, 2, "第三");
    addMusicTrack(f.album, {f.folder.file("gone.mp3"), 3000.0f, 44100});
    addMusicTrack(f.album, {f.music("kept.mp3"), 3000.0f, 44100});
    // A name that no audio file has (WAV is one now).
    addMusicTrack(f.album, {f.music("not-music.txt"), 3000.0f, 44100});
    const std::string path = f.folder.file("p.dat");
    ASSERT_TRUE(f.save(path));
    fs::remove(gone);

    ASSERT_TRUE(f.open(path));
    ASSERT_EQ(f.album.items.size(), 2u);
    EXPECT_EQ(f.album.items[0].caption.text, "第一");
    EXPECT_EQ(f.album.items[1].caption.text, "第三");
    EXPECT_EQ(f.infoLines, std::vector<std::string>{"图片读取失败:\r\n" + gone});
    ASSERT_EQ(f.album.musicItems.size(), 1u);
    EXPECT_EQ(f.album.musicItems[0].path, f.folder.file("kept.mp3"));
    EXPECT_EQ(f.statusTexts,
              (std::vector<std::string>{"加载图片: 1 / 3", "加载图片: 2 / 3", "加载图片: 3 / 3"}));
    EXPECT_TRUE(f.failures.empty());
}

TEST(ProjectOpen, MusicEntriesThatAreNotTextsOrTooLongAreSkipped) {
    ProjectOpenFixture f;
    fillAlbum(f);
    const std::string path = writeEdited(f, "p.dat", [&](cJSON* r) {
        cJSON* music = cJSON_GetObjectItem(r, k::bgsoundItems);
        cJSON_AddItemToArray(music, cJSON_CreateNumber(3));
        cJSON_AddItemToArray(music,
                             cJSON_CreateString(("/" + std::string(300, 'm') + ".mp3").c_str()));
        cJSON_AddItemToArray(music, cJSON_CreateString(f.music("second.Mp3").c_str()));
    });
    ASSERT_TRUE(f.open(path));
    EXPECT_EQ(f.album.musicItems.size(), 2u);
}

TEST(ProjectOpen, ThousandsOfPicturesStopAtTheAlbumLimit) {
    ProjectOpenFixture f;
    f.add(f.picture("a.png"));
    const std::string path = writeEdited(f, "p.dat", [](cJSON* r) {
        cJSON* pictures = cJSON_GetObjectItem(r, k::imgs);
        for (int i = 1; i < 5000; ++i) {
            cJSON_AddItemToArray(pictures, cJSON_Duplicate(firstPicture(r), true));
        }
        setNumber(r, k::logo, 1);
    });
    ASSERT_TRUE(f.open(path));
    EXPECT_EQ(f.album.items.size(), static_cast<std::size_t>(maxPictures));
    EXPECT_EQ(f.messageTexts(), std::vector<std::string>{"最多可以添加 1000 张图片"});
    EXPECT_EQ(f.failures[0].kind, MessageKind::Warning);
    EXPECT_TRUE(f.album.settings.logo); // the options after the pictures still apply
}

TEST(ProjectOpen, AutomaticDisplayTimeAndLoopPlayAreNeverOnTogether) {
    ProjectOpenFixture f;
    f.add(f.picture("a.png"));
    addMusicTrack(f.album, {f.music("song.mp3"), 3000.0f, 44100});
    f.album.settings.bgsoundAutoSetPauseTime = true;
    choosePauseTime(f.album.settings, 30);
    const std::string automatic = f.folder.file("auto.dat");
    ASSERT_TRUE(f.save(automatic));
    ASSERT_TRUE(f.open(automatic));
    const VideoSettings& s = f.album.settings;
    EXPECT_TRUE(s.bgsoundAutoSetPauseTime);
    EXPECT_EQ(f.autoDisplayRuns, 1);
    EXPECT_TRUE(s.customDisplayTime);
    EXPECT_EQ(s.stillFrames, 75); // the automatic time, not the selection's 60 frames
    EXPECT_EQ(s.pauseTime, 30);   // kept behind it for saving
    EXPECT_FALSE(isProjectModified(f.album, f.file));

    const std::string both = writeEdited(
        f, "both.dat", [](cJSON* r) { setNumber(r, k::bgsoundAutoSetImageLoopPlay, 1); });
    ASSERT_TRUE(f.open(both));
    EXPECT_TRUE(s.bgsoundAutoSetImageLoopPlay);
    EXPECT_FALSE(s.bgsoundAutoSetPauseTime);
    EXPECT_FALSE(s.customDisplayTime);
    EXPECT_EQ(s.stillFrames, *stillFramesForPauseTime(30));
}

TEST(ProjectOpen, NamesAreMatchedWithoutCaseAndTheFirstOfANameCounts) {
    ProjectOpenFixture f;
    const std::string text = "{\"TEXT_WATERMARK\":1,\"text_watermark\":0,\"Text_Watermark_Font\":0,"
                             "\"text_watermark_color\":8,\"logo\":0,\"logo_location\":2,"
                             "\"bgsound\":1,\"bgsound_auto_set_pause_time\":0,"
                             "\"video_size\":\"\",\"pause_time\":21,\"unknown\":[1,2]}";
    ASSERT_TRUE(f.open(f.folder.writeFile("p.dat", text)));
    EXPECT_TRUE(f.album.settings.textWatermark);
}

TEST(ProjectOpen, OpeningResetsTheAlbumFirst) {
    ProjectOpenFixture f;
    fillAlbum(f);
    f.file.path = "/old.dat";
    f.file.name = "old.dat";
    EXPECT_FALSE(f.open(f.folder.file("missing.dat")));
    EXPECT_EQ(f.messageTexts(),
              std::vector<std::string>{"读取文件时出错, 无法打开文件句柄\n文件不存在: " +
                                       f.folder.file("missing.dat")});
    EXPECT_TRUE(f.album.items.empty());
    EXPECT_TRUE(f.album.musicItems.empty());
    EXPECT_FALSE(f.album.settings.logo);
    EXPECT_TRUE(f.file.path.empty());
    EXPECT_EQ(f.file.name, "新项目");
}

TEST(ProjectOpen, CorpusOfHostileFilesNeverCrashes) {
    const fs::path corpus = testing::sourceRoot() / "fuzz/corpus/fuzz_project_file";
    ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
    // Files that are projects despite odd content; every other seed is refused.
    const std::set<std::string> projects = {
        "full_project.dat",         "required_only.dat",     "keys_any_case.dat",
        "trailing_text.dat",        "many_pictures.dat",     "values_out_of_range.dat",
        "huge_numbers.dat",         "huge_number_text.dat",  "long_strings.dat",
        "video_size_malformed.dat", "wrong_music_types.dat", "escaped_nul.dat"};
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ProjectOpenFixture f;
        const bool opened = f.open(entry.path().string());
        EXPECT_EQ(opened, projects.count(name) == 1);
        if (opened) {
            EXPECT_EQ(f.file.name, name);
        } else {
            // Exactly one message saying why, and a new untitled project.
            EXPECT_EQ(f.failures.size(), 1u);
            EXPECT_TRUE(f.file.path.empty());
        }
        ++files;
    }
    EXPECT_GE(files, 20);
}

TEST(ProjectSave, SavedOpenedAndSavedAgainGivesIdenticalBytes) {
    ProjectOpenFixture f;
    f.add(f.picture("相册/春天.png", "#ff0000"));
    f.add(f.picture("相册/夏天 😀.png", "#00ff00"));
    f.add(f.picture("plain.png", "#0000ff"));
    setAlbumItemCaptionText(f.album, 0, "春暖花开 € 😀");
    setAlbumItemCaptionText(f.album, 1, "引号\"和\\反斜杠\t制表");
    f.album.items[1].caption.location = 8;
    rotateAlbumItemLeft(f.album, 2);
    setAlbumItemTransition(f.album, 2, 95);
    f.album.items[1].motion = CameraMotion::ZoomIn;
    addMusicTrack(f.album, {f.music("音乐/歌曲一.mp3"), 3000.0f, 44100});
    addMusicTrack(f.album, {f.music("second.MP3"), 3000.0f, 44100});
    setEveryOption(f.album);
    const AlbumProject before = f.album;

    const std::string first = f.folder.file("项目.dat");
    ASSERT_TRUE(f.save(first));
    EXPECT_EQ(f.file.path, first);
    EXPECT_EQ(f.file.name, "项目.dat");

    ASSERT_TRUE(f.open(first)) << ::testing::PrintToString(f.messageTexts());
    EXPECT_TRUE(f.messageTexts().empty());
    EXPECT_EQ(f.file.name, "项目.dat");
    ASSERT_EQ(f.album.items.size(), 3u);
    for (std::size_t i = 0; i < before.items.size(); ++i) {
        const AlbumItem& a = before.items[i];
        const AlbumItem& b = f.album.items[i];
        EXPECT_EQ(b.path, a.path);
        EXPECT_EQ(b.fileName, a.fileName);
        EXPECT_EQ(b.animationIndex, a.animationIndex);
        EXPECT_EQ(b.animationName, a.animationName);
        EXPECT_EQ(b.caption.text, a.caption.text);
        EXPECT_EQ(b.caption.location, a.caption.location);
        EXPECT_EQ(b.caption.fontName, a.caption.fontName);
        EXPECT_EQ(b.caption.boxColor, a.caption.boxColor);
        EXPECT_EQ(b.caption.enabled, 1);
        EXPECT_EQ(b.turnAngle, a.turnAngle);
        EXPECT_EQ(b.motion, a.motion);
    }
    EXPECT_EQ(f.album.musicItems.size(), 2u);
    EXPECT_EQ(f.album.settings.logoPath, before.settings.logoPath);
    EXPECT_EQ(f.album.settings.videoWidth, 500);
    EXPECT_EQ(f.album.settings.stillFrames, before.settings.stillFrames);
    EXPECT_FALSE(isProjectModified(f.album, f.file));

    const std::string second = f.folder.file("again.dat");
    ASSERT_TRUE(f.save(second));
    EXPECT_EQ(readBytes(second), readBytes(first));
}

} // namespace
} // namespace velomira::testing
