#include "app/settings_store.h"

#include "app/text_conversion.h"
#include "support/temp_folder.h"

#include <cmath>
#include <gtest/gtest.h>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

class SettingsStoreTest : public ::testing::Test {
  protected:
    SettingsStoreTest() {
        fs::create_directories(folders.workFolder);
        fs::create_directories(folders.desktopFolder);
    }

    uint32_t storedNumber(const char* name) {
        uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(readRegistryNumber(file, name, value), 1) << name;
        return value;
    }

    TempFolder temp;
    RegistryFile file = registryFileUnder(temp.path() / "config");
    StoreFolders folders{temp.path() / "程序", temp.path() / "桌面", {}, {}};
};

TEST_F(SettingsStoreTest, FirstRunUsesDefaultsCreatesFoldersAndSwitches) {
    Preferences preferences = readPreferences(file, folders);
    const std::string desktop = folders.desktopFolder.string();
    EXPECT_EQ(preferences.folders.image, desktop);
    EXPECT_EQ(preferences.folders.logo, desktop);
    EXPECT_EQ(preferences.folders.import, desktop);
    EXPECT_EQ(preferences.folders.mp3, (folders.workFolder / "mp3").string());
    EXPECT_EQ(preferences.folders.project, (folders.workFolder / "我的项目").string());
    EXPECT_EQ(preferences.folders.video, (folders.workFolder / "我的视频").string());
    EXPECT_TRUE(fs::is_directory(folders.workFolder / "我的项目"));
    EXPECT_TRUE(fs::is_directory(folders.workFolder / "我的视频"));

    EXPECT_EQ(preferences.videoBgFillColor, BackgroundFill::White);
    EXPECT_EQ(preferences.mp4DefaultFileName, OutputNaming::Empty);
    EXPECT_EQ(preferences.clickCloseButtonStatus, CloseBehaviour::Exit);
    EXPECT_EQ(preferences.imageLoopPlayAnimation, 31u);
    EXPECT_FLOAT_EQ(preferences.captionMargins.centerBottom, 0.15001f);
    EXPECT_FLOAT_EQ(preferences.captionMargins.left, 0.06001f);
    EXPECT_FLOAT_EQ(preferences.captionMargins.bottom, 0.06001f);

    // The three switches exist afterwards; nothing else was written.
    EXPECT_EQ(storedNumber(setting::kVideoBgFillColor), 0u);
    EXPECT_EQ(storedNumber(setting::kMp4DefaultFileName), 0u);
    EXPECT_EQ(storedNumber(setting::kClickCloseButtonStatus), 0u);
    uint32_t absent = 0;
    EXPECT_EQ(readRegistryNumber(file, setting::kImageLoopPlayAnimation, absent), 0);
    EXPECT_EQ(readRegistryNumber(file, setting::kMarginLeft, absent), 0);
}

TEST_F(SettingsStoreTest, StoredValuesAreTakenAsStored) {
    writeSetting(file, SettingKey::VideoBgFillColor, 1u);
    writeSetting(file, SettingKey::Mp4DefaultFileName, 7u); // not range-checked
    writeSetting(file, SettingKey::ClickCloseButtonStatus, 1u);
    writeSetting(file, SettingKey::ImageLoopPlayAnimation, 99u);
    Preferences preferences = readPreferences(file, folders);
    EXPECT_EQ(preferences.videoBgFillColor, BackgroundFill::Black);
    EXPECT_EQ(storedValue(preferences.mp4DefaultFileName), 7u);
    EXPECT_EQ(preferences.clickCloseButtonStatus, CloseBehaviour::HideToTray);
    EXPECT_EQ(preferences.imageLoopPlayAnimation, 99u);
    EXPECT_EQ(storedNumber(setting::kClickCloseButtonStatus), 1u); // not reset to 0
}

TEST_F(SettingsStoreTest, LoopPlayAboveNinetyNineReadsAsThirtyThree) {
    const std::pair<uint32_t, uint32_t> cases[] = {{150, 33}, {100, 33}, {99, 99},
                                                   {0, 0},    {98, 98},  {0xFFFFFFFF, 33}};
    for (auto [stored, expected] : cases) {
        writeSetting(file, SettingKey::ImageLoopPlayAnimation, stored);
        EXPECT_EQ(readPreferences(file, folders).imageLoopPlayAnimation, expected) << stored;
    }
    writeRegistryText(file, setting::kImageLoopPlayAnimation, "150"); // wrong type
    EXPECT_EQ(readPreferences(file, folders).imageLoopPlayAnimation, 31u);
}

TEST_F(SettingsStoreTest, FrameTransportIsRawUnlessAnotherChoiceIsStored) {
    uint32_t unused = 0;
    EXPECT_EQ(readPreferences(file, folders).frameTransport, FrameTransport::RawPixels);
    EXPECT_EQ(readRegistryNumber(file, setting::kFrameTransport, unused), 0); // not written
    using T = FrameTransport;
    const std::pair<uint32_t, T> cases[] = {
        {1, T::RawPixels}, {0, T::JpegFiles}, {2, T::JpegFiles}, {0xFFFFFFFF, T::JpegFiles}};
    for (auto [stored, expected] : cases) {
        EXPECT_EQ(writeSetting(file, SettingKey::FrameTransport, stored), 1);
        EXPECT_EQ(readPreferences(file, folders).frameTransport, expected) << stored;
        EXPECT_EQ(storedNumber(setting::kFrameTransport), stored); // reading changes nothing
    }
    writeRegistryText(file, setting::kFrameTransport, "0"); // wrong type: as if missing
    EXPECT_EQ(readPreferences(file, folders).frameTransport, FrameTransport::RawPixels);
}

TEST_F(SettingsStoreTest, AutoOrientIsOnUnlessZeroIsStored) {
    uint32_t unused = 0;
    EXPECT_EQ(readPreferences(file, folders).autoOrient, 1u);
    EXPECT_EQ(readRegistryNumber(file, setting::kAutoOrient, unused), 0); // not written
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 0}, {1, 1}, {2, 1}};
    for (auto [stored, expected] : cases) {
        EXPECT_EQ(writeSetting(file, SettingKey::AutoOrient, stored), 1);
        EXPECT_EQ(readPreferences(file, folders).autoOrient, expected) << stored;
    }
}

TEST_F(SettingsStoreTest, NewPictureMotionKeepsItsEightChoicesAndReadsAnythingElseAsNone) {
    uint32_t unused = 0;
    EXPECT_EQ(readPreferences(file, folders).newPictureMotion, 0u);
    EXPECT_EQ(readRegistryNumber(file, setting::kNewPictureMotion, unused), 0); // not written
    const std::pair<uint32_t, uint32_t> cases[] = {{5, 5}, {7, 7}, {8, 0}, {99, 0}};
    for (auto [stored, expected] : cases) {
        EXPECT_EQ(writeSetting(file, SettingKey::NewPictureMotion, stored), 1);
        EXPECT_EQ(readPreferences(file, folders).newPictureMotion, expected) << stored;
    }
}

TEST_F(SettingsStoreTest, EveryKeyReadsBackItsWriteItsDefaultWhenAbsentAndItsRangeReplacement) {
    struct Case {
        SettingKey key;
        const char* name;
        uint32_t written;
        uint32_t absent;       // read from a file without the key
        bool storedWhenAbsent; // the read leaves the default in the file
        uint32_t outside;      // a stored value beyond the range (0: the range is every number)
        uint32_t outsideReads;
    };
    const Case cases[] = {
        {SettingKey::VideoBgFillColor, "video_bg_fill_color", 1, 0, true, 0, 0},
        {SettingKey::Mp4DefaultFileName, "mp4_default_file_name", 2, 0, true, 0, 0},
        {SettingKey::ImageLoopPlayAnimation, "image_loop_play_animation", 12, 31, false, 100, 33},
        {SettingKey::ClickCloseButtonStatus, "click_close_button_status", 1, 0, true, 0, 0},
        {SettingKey::FrameTransport, "frame_transport", 0, 1, false, 2, 0},
        {SettingKey::AutoOrient, "auto_orient", 0, 1, false, 2, 1},
        {SettingKey::NewPictureMotion, "new_picture_motion", 7, 0, false, 8, 0},
        {SettingKey::MaxVideoMegabytes, "max_video_size_mb", 16, 0, false, 100001, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(settingName(c.key), c.name);
        uint32_t unused = 0;
        EXPECT_EQ(readSettingNumber(file, c.key), c.absent);
        EXPECT_EQ(readRegistryNumber(file, c.name, unused), c.storedWhenAbsent ? 1 : 0);
        EXPECT_EQ(writeSetting(file, c.key, c.written), 1);
        EXPECT_EQ(storedNumber(c.name), c.written);
        EXPECT_EQ(readSettingNumber(file, c.key), c.written);
        if (c.outside != 0) {
            writeRegistryNumber(file, c.name, c.outside);
            EXPECT_EQ(readSettingNumber(file, c.key), c.outsideReads);
            EXPECT_EQ(storedNumber(c.name), c.outside); // reading changes nothing
        }
    }
    // Option values go in and come out as themselves, stored as their numbers.
    writeSetting(file, SettingKey::Mp4DefaultFileName, OutputNaming::FirstPicture);
    EXPECT_EQ(storedNumber(setting::kMp4DefaultFileName), 2u);
    EXPECT_EQ(readSetting<OutputNaming>(file, SettingKey::Mp4DefaultFileName),
              OutputNaming::FirstPicture);
    writeSetting(file, SettingKey::FrameTransport, FrameTransport::RawPixels);
    EXPECT_EQ(readPreferences(file, folders).frameTransport, FrameTransport::RawPixels);
}

TEST_F(SettingsStoreTest, MarginsOutOfRangeFallBackToTheirOwnDefault) {
    writeRegistryNumber(file, setting::kMarginLeft, 5000);   // 0.500001
    writeRegistryNumber(file, setting::kMarginRight, 0);     // no margin: 0.000001 is taken
    writeRegistryNumber(file, setting::kMarginTop, 600);     // 6 %
    writeRegistryNumber(file, setting::kMarginBottom, 4999); // just below one half
    writeRegistryNumber(file, setting::kMarginCenterBottom, 0xFFFFFFFF);
    CaptionMargins margins = readPreferences(file, folders).captionMargins;
    EXPECT_FLOAT_EQ(margins.left, 0.06001f);
    EXPECT_FLOAT_EQ(margins.right, 0.000001f);
    EXPECT_FLOAT_EQ(margins.top, 0.060001f);
    EXPECT_FLOAT_EQ(margins.bottom, 0.499901f);
    EXPECT_FLOAT_EQ(margins.centerBottom, 0.15001f);

    writeRegistryNumber(file, setting::kMarginCenterBottom, 1);
    writeRegistryText(file, setting::kMarginTop, "600");
    margins = readPreferences(file, folders).captionMargins;
    EXPECT_FLOAT_EQ(margins.centerBottom, 0.000101f);
    EXPECT_FLOAT_EQ(margins.top, 0.06001f);
}

TEST(CaptionMarginRules, EveryDialogPercentageStoresItsOwnHundredths) {
    EXPECT_EQ(marginToStored(marginFromPercent(6.0)), 600u);
    for (uint32_t hundredths = 1; hundredths <= 4999; ++hundredths) {
        float fraction = marginFromPercent(hundredths / 100.0);
        ASSERT_EQ(marginToStored(fraction), hundredths) << hundredths;
        // What is read back at the next start is the fraction that was set.
        ASSERT_NEAR(marginFromStored(hundredths, 0.5f), fraction, 1e-6) << hundredths;
    }
    EXPECT_EQ(marginToStored(-0.1f), 0u);
    EXPECT_EQ(marginToStored(NAN), 0u);
    EXPECT_EQ(marginToStored(1e12f), 0xFFFFFFFFu);
}

TEST_F(SettingsStoreTest, MarginWritersStoreTruncatedTenThousandths) {
    CaptionMargins margins;
    margins.centerBottom = marginFromPercent(15.0);
    margins.left = marginFromPercent(6.0);
    margins.right = marginFromPercent(0.01);
    margins.top = marginFromPercent(49.99);
    margins.bottom = marginFromPercent(12.34);
    ASSERT_EQ(writeCaptionMargins(file, margins), 1);
    EXPECT_EQ(storedNumber(setting::kMarginCenterBottom), 1500u);
    EXPECT_EQ(storedNumber(setting::kMarginLeft), 600u);
    EXPECT_EQ(storedNumber(setting::kMarginRight), 1u);
    EXPECT_EQ(storedNumber(setting::kMarginTop), 4999u);
    EXPECT_EQ(storedNumber(setting::kMarginBottom), 1234u);

    ASSERT_EQ(writeCaptionMargin(file, CaptionMarginId::Left, marginFromPercent(7.5)), 1);
    CaptionMargins read = readPreferences(file, folders).captionMargins;
    EXPECT_NEAR(read.left, 0.075001f, 1e-6);
    EXPECT_NEAR(read.bottom, 0.123401f, 1e-6);
}

TEST_F(SettingsStoreTest, RememberedFoldersSurviveARestart) {
    fs::path pictures = temp.path() / "图片 folder";
    fs::path projects = temp.path() / "projects";
    fs::create_directories(pictures);
    fs::create_directories(projects);
    RememberedFolders remembered;
    remembered.image = pictures.string();
    remembered.mp3 = "/music/elsewhere";
    remembered.project = projects.string();
    remembered.video = projects.string();
    remembered.logo = pictures.string();
    remembered.import = projects.string();
    ASSERT_EQ(writeRememberedFolders(file, remembered), 1);

    std::string stored;
    EXPECT_EQ(readRegistryText(file, setting::kChooseMp3Folder, stored), 1);
    EXPECT_EQ(stored, "/music/elsewhere");

    RememberedFolders read = readPreferences(file, folders).folders;
    EXPECT_EQ(read.image, remembered.image);
    EXPECT_EQ(read.project, remembered.project);
    EXPECT_EQ(read.video, remembered.video);
    EXPECT_EQ(read.logo, remembered.logo);
    EXPECT_EQ(read.import, remembered.import);
    // Music starts in the stock folder at every run, whatever was stored.
    EXPECT_EQ(read.mp3, (folders.workFolder / "mp3").string());
    EXPECT_FALSE(fs::exists(folders.workFolder / "我的项目")); // defaults not needed
}

TEST_F(SettingsStoreTest, UnusableStoredFoldersFallBackToDefaults) {
    fs::path deleted = temp.path() / "deleted project folder";
    fs::create_directories(deleted);
    writeRegistryText(file, setting::kSaveProjectFolder, deleted.string());
    fs::remove(deleted);
    std::string aFile = temp.writeFile("plain file", "x");
    writeRegistryText(file, setting::kSaveVideoFolder, aFile);
    writeRegistryText(file, setting::kChooseImageFolder, "relative/folder");
    writeRegistryNumber(file, setting::kChooseLogoFolder, 5);

    // A folder whose GBK form is longer than 259 bytes, though it exists.
    fs::path deep = temp.path();
    while (gbkByteLength(deep.string()) <= 259)
        deep /= "很长的文件夹名称";
    fs::create_directories(deep);
    writeRegistryText(file, setting::kImportFileFolder, deep.string());

    RememberedFolders read = readPreferences(file, folders).folders;
    EXPECT_EQ(read.project, (folders.workFolder / "我的项目").string());
    EXPECT_TRUE(fs::is_directory(folders.workFolder / "我的项目"));
    EXPECT_EQ(read.video, (folders.workFolder / "我的视频").string());
    EXPECT_EQ(read.image, folders.desktopFolder.string());
    EXPECT_EQ(read.logo, folders.desktopFolder.string());
    EXPECT_EQ(read.import, folders.desktopFolder.string());

    // A long but allowed Chinese folder (more than 260 UTF-8 bytes) is still taken.
    fs::path allowed = temp.path() / "a";
    while (gbkByteLength((allowed / "汉字").string()) <= 259)
        allowed /= "汉字";
    ASSERT_GT(allowed.string().size(), 260u);
    fs::create_directories(allowed);
    writeRegistryText(file, setting::kImportFileFolder, allowed.string());
    EXPECT_EQ(readPreferences(file, folders).folders.import, allowed.string());
}

TEST(RememberFolderOf, KeepsTheFolderPartOfAChosenFile) {
    std::string buffer = "/before";
    rememberFolderOf(buffer, "/home/用户/图片/a.jpg");
    EXPECT_EQ(buffer, "/home/用户/图片");
    rememberFolderOf(buffer, "/a.jpg");
    EXPECT_EQ(buffer, "/");
    rememberFolderOf(buffer, "/srv//music///b.mp3");
    EXPECT_EQ(buffer, "/srv//music");
    rememberFolderOf(buffer, "//c.png");
    EXPECT_EQ(buffer, "/");
    rememberFolderOf(buffer, "no-folder.gif");
    EXPECT_EQ(buffer, "/");
}

} // namespace
} // namespace velomira
