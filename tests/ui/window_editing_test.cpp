// What a user meets while editing an album in the window: the unsaved-changes mark, double
// clicks, the caption field, the formats named, dragging pictures into a new order, the tray.
#include "render/frame_sequencer.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"
#include "ui/main_window.h"
#include "ui/picture_formats.h"
#include "ui/scripted_view.h"
#include "ui/user_guide.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace velomira {
namespace {

using testing::RecordingDialogs;
using testing::ScriptedView;
using testing::TempFolder;

class WindowEditingTest : public ::testing::Test {
  protected:
    WindowEditingTest() : info(infoView) {
        folders.programFolder = folder.path() / "program";
        folders.workFolder = folders.programFolder;
        folders.picsFolder = folders.programFolder / "pics";
        folders.workTempFolder = folders.programFolder / "temp";
        folders.tempPictureFolder = folders.programFolder / "temp-pictures";
        for (const auto& f :
             {folders.picsFolder, folders.workTempFolder, folders.tempPictureFolder})
            std::filesystem::create_directories(f);
        MainWindowServices services;
        services.folders = folders;
        services.fonts = &fonts;
        services.preferences = &preferences;
        services.optionDialogs = &options;
        services.info = &info;
        services.randomSeed = 7;
        window = std::make_unique<MainWindow>(view, services);
        window->start();
    }

    void addPictures(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(testing::writeSolidPicture(
                folder.file("p" + std::to_string(i) + ".png"), 64, 48, "#336699", "png"));
        window->filesDropped(paths);
    }

    std::string names() const {
        std::string out;
        for (const AlbumItem& item : window->album().items)
            out += item.fileName.substr(1, item.fileName.find('.') - 1);
        return out;
    }

    TempFolder folder;
    StartupFolders folders;
    CaptionFontTable fonts{{"黑体", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"}};
    Preferences preferences;
    ScriptedView view;
    testing::ScriptedInfoView infoView;
    InfoLog info;
    testing::ScriptedOptionDialogs options;
    RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(WindowEditingTest, TheTitleIsMarkedExactlyWhileThereAreUnsavedChanges) {
    const std::string saved = folder.file("album.dat");
    const struct {
        const char* step;
        std::function<void()> act;
        std::string title;
        bool marked;
    } steps[] = {
        {"start", [] {}, "Velomira(V8.3)", false},
        {"pictures added", [&] { addPictures(3); }, "Velomira(V8.3)", true},
        {"saved",
         [&] {
             dialogs.scriptFiles({saved});
             window->dispatch(Command::SaveProject);
         },
         "Velomira(V8.3) - album.dat", false},
        {"selection only", [&] { window->selectionChanged({1}, 1, true); },
         "Velomira(V8.3) - album.dat", false},
        {"turned", [&] { window->dispatch(Command::RotateRight); }, "Velomira(V8.3) - album.dat",
         true},
        {"saved again", [&] { window->dispatch(Command::SaveProject); },
         "Velomira(V8.3) - album.dat", false},
        {"caption typed",
         [&] {
             window->checkChanged(Command::CaptionSwitch, true);
             window->textEdited(Command::CaptionText, "hello");
         },
         "Velomira(V8.3) - album.dat", true},
        {"dragged", [&] { window->picturesDragged(0); }, "Velomira(V8.3) - album.dat", true},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(view.title, step.title) << step.step;
        EXPECT_EQ(view.modifiedMark, step.marked) << step.step;
    }
}

TEST_F(WindowEditingTest, ADoubleClickOnAPictureGoesToItsCaptionWhileCaptionsAreOn) {
    addPictures(2);
    window->selectionChanged({1}, 1, true);
    for (const bool captionsOn : {true, false}) {
        view.focusRequests.clear();
        view.opened.clear();
        window->checkChanged(Command::CaptionSwitch, captionsOn);
        window->pictureDoubleClicked(1);
        EXPECT_EQ(view.focusRequests.size(), captionsOn ? 1u : 0u) << captionsOn;
        if (captionsOn) {
            EXPECT_EQ(view.focusRequests[0], Command::CaptionText);
        }
        EXPECT_EQ(view.opened.size(), captionsOn ? 0u : 1u) << captionsOn;
    }
}

TEST_F(WindowEditingTest, TheCaptionFieldIsEmptiedWhenNoPictureIsSelected) {
    addPictures(2);
    window->checkChanged(Command::CaptionSwitch, true);
    window->selectionChanged({0}, 0, true);
    window->textEdited(Command::CaptionText, "first");
    ASSERT_EQ(window->album().items[0].caption.text, "first");
    dialogs.scriptAnswer(Answer::No);
    window->dispatch(Command::NewProject);
    EXPECT_EQ(view.fields[Command::CaptionText], "");
    EXPECT_FALSE(view.enabled[Command::CaptionText]);
}

TEST_F(WindowEditingTest, TheAboutBoxNamesEveryFormatThePictureDialogTakes) {
    window->dispatch(Command::About);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const std::string about = dialogs.messages()[0].text;
    for (const char* format :
         {"JPG", "PNG", "GIF(静态)", "BMP", "HEIC", "AVIF", "WEBP", "TIFF", "TBI"})
        EXPECT_NE(about.find(format), std::string::npos) << format;
    EXPECT_NE(about.find("：" + readablePictureFormats() + "。"), std::string::npos) << about;
    const struct {
        const char* name;
        bool picture;
    } names[] = {{"a.JPEG", true}, {"b.heif", true},  {"c.Tiff", true}, {"d.tbi", true},
                 {"e.txt", false}, {"f.gifx", false}, {"g", false}};
    for (const auto& name : names)
        EXPECT_EQ(isPictureFileName(name.name), name.picture) << name.name;
}

TEST_F(WindowEditingTest, AnAnimatedGifIsRefusedWithTheWayToImportIt) {
    const std::string gif =
        testing::writeAnimatedGif(folder.file("anim.gif"), 32, 32, "#ff0000", "#00ff00");
    window->filesDropped({gif});
    EXPECT_NE(infoView.text.find("不支持gif动画图片:\r\n" + gif + "\r\n\r\n" + kAnimatedGifHint),
              std::string::npos)
        << infoView.text;
    EXPECT_NE(std::string(kAnimatedGifHint).find("请使用【导入动画】"), std::string::npos);
}

TEST_F(WindowEditingTest, DraggedPicturesMoveAsOneBlockAndOneUndoBringsTheOrderBack) {
    const struct {
        std::vector<int> selection;
        int before;
        std::string order;
        std::vector<int> selectedAfter;
    } cases[] = {
        {{4}, 0, "40123", {0}},       {{0}, 5, "12340", {4}},       {{1, 3}, 0, "13024", {0, 1}},
        {{0, 2}, 4, "13024", {2, 3}}, {{1, 2}, 2, "01234", {1, 2}}, {{0, 4}, 2, "10423", {1, 2}},
        {{2}, 3, "01234", {2}},       {{3}, 1, "03124", {1}},
    };
    addPictures(5);
    std::vector<std::string> transitions;
    for (const AlbumItem& item : window->album().items)
        transitions.push_back(item.animationName);
    for (const auto& c : cases) {
        window->selectionChanged(c.selection, c.selection.front(), true);
        window->picturesDragged(c.before);
        EXPECT_EQ(names(), c.order) << c.before;
        EXPECT_EQ(window->selectedRows(), c.selectedAfter) << c.order;
        for (std::size_t row = 0; row < transitions.size(); ++row)
            EXPECT_EQ(window->album().items[row].animationName, transitions[row]) << row;
        window->dispatch(Command::ContextUndoRemoval);
        EXPECT_EQ(names(), "01234") << c.order;
        ASSERT_EQ(view.rows.size(), 5u);
    }
}

TEST_F(WindowEditingTest, TheTrayIconStaysUntilTheWindowIsBack) {
    preferences.clickCloseButtonStatus = CloseBehaviour::HideToTray;
    view.trayPresent = false;
    window->closeRequested();
    EXPECT_TRUE(view.minimized);
    view.trayPresent = true;
    window->closeRequested();
    EXPECT_FALSE(view.windowShown);
    EXPECT_TRUE(view.trayShown);
    window->trayIconClicked();
    EXPECT_TRUE(view.windowShown);
    EXPECT_FALSE(view.trayShown);
}

TEST_F(WindowEditingTest, WithoutASiteTheGuideIsTheInstalledManual) {
    const std::filesystem::path prefix = folder.path() / "usr";
    const struct {
        const char* where;
        std::filesystem::path program; // the program's folder
        std::filesystem::path page;    // the manual written there, empty for none
        bool viewerOpens;
        std::vector<std::string> opened;
        std::size_t messages;
    } cases[] = {
        {"installed",
         prefix / "lib/velomira",
         prefix / "share/man/man1/velomira.1.gz",
         true,
         {"man:" + (prefix / "share/man/man1/velomira.1.gz").string()},
         0},
        {"build tree, no manual viewer",
         folder.path() / "dist",
         folder.path() / "dist/man/velomira.1.gz",
         false,
         {"man:" + (folder.path() / "dist/man/velomira.1.gz").string(),
          (folder.path() / "dist/man/velomira.1.gz").string()},
         1},
        {"no manual", folder.path() / "bare", {}, true, {}, 1},
    };
    for (const auto& c : cases) {
        if (!c.page.empty()) {
            std::filesystem::create_directories(c.page.parent_path());
            std::ofstream(c.page) << "page";
        }
        std::filesystem::create_directories(c.program);
        ScriptedView guideView;
        guideView.openSucceeds = c.viewerOpens;
        openUserGuide(guideView, "", c.program);
        EXPECT_EQ(guideView.opened, c.opened) << c.where;
        EXPECT_EQ(dialogs.messages().size(), c.messages) << c.where;
        dialogs.clearMessages();
    }
    ScriptedView siteView;
    openUserGuide(siteView, "www.example.com", prefix / "lib/velomira");
    EXPECT_EQ(siteView.opened, std::vector<std::string>{"http://www.example.com/help.html"});
}

} // namespace
} // namespace velomira

namespace velomira {
namespace {

TEST_F(WindowEditingTest, APictureTimeFromTheContextMenuHoldsThoseSelectedAndShowsInTheLength) {
    addPictures(3);
    const int albumFrames = window->album().settings.stillFrames;
    const int before = countAlbumFrames(window->album());
    const struct {
        const char* name;
        std::vector<int> rows;
        std::optional<std::string> answer; // none: cancelled
        std::optional<int> frames;         // the selected pictures' own time afterwards
        const char* shownBefore;           // what the dialog started from
        bool refused;
    } steps[] = {
        {"two pictures", {0, 2}, "3.5", 87, "", false},
        {"shared time shown", {0, 2}, std::nullopt, 87, "3.48", false},
        {"mixed selection starts empty", {0, 1}, "bad", std::nullopt, "", true},
        {"empty answer follows the album", {0}, "", std::nullopt, "3.48", false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        dialogs.clearMessages();
        window->selectionChanged(step.rows, step.rows.front(), true);
        options.pictureTime = step.answer;
        window->dispatch(Command::ContextPictureTime);
        EXPECT_EQ(options.pictureTimeShown, step.shownBefore);
        EXPECT_EQ(!dialogs.messages().empty(), step.refused);
        if (!step.refused) {
            for (int row : step.rows)
                EXPECT_EQ(window->album().items[row].stillFrames, step.frames);
        }
    }
    // Picture 3 kept its 3.48 s in place of the album's time, and the status bar says so.
    EXPECT_EQ(window->album().items[2].stillFrames, 87);
    const int after = countAlbumFrames(window->album());
    EXPECT_EQ(after, before - albumFrames + 87);
    EXPECT_EQ(view.status[3], videoLengthText(static_cast<float>(after) / 25.0f));
    // The beat option is the album's, saved with it and shown again after a new project.
    window->checkChanged(Command::BeatSync, true);
    EXPECT_TRUE(window->album().settings.beatSync);
    dialogs.scriptAnswer(Answer::No); // not saved
    window->dispatch(Command::NewProject);
    EXPECT_FALSE(window->album().settings.beatSync);
    EXPECT_FALSE(view.checked[Command::BeatSync]);
}

} // namespace
} // namespace velomira
