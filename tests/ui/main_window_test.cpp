// The main window's commands driven through the dispatcher with a scripted view and
// pre-answered dialogs.
#include "album/project_file.h"
#include "net/net_config.h"
#include "services/video_run.h"
#include "support/http_test_server.h"
#include "support/picture_files.h"
#include "support/program_run.h"
#include "support/recording_dialogs.h"
#include "support/recording_sound.h"
#include "support/temp_folder.h"
#include "ui/caption_logo_warning.h"
#include "ui/desktop_launcher.h"
#include "ui/main_window.h"
#include "ui/preview_window_view.h"
#include "ui/product_dialog_form.h"
#include "ui/scripted_view.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

namespace velomira {
namespace {

using testing::RecordingDialogs;
using testing::ScriptedView;
using testing::TempFolder;

CaptionFontTable oneFont() {
    return {{"黑体", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"}};
}

// Time that passes only by sleeping: the preview plays without waiting.
class InstantClock final : public PreviewClock {
  public:
    double nowMs() override { return now.load(); }
    void sleepMs(double ms) override { now = now.load() + std::max(ms, 0.0); }
    std::atomic<double> now{0};
};

class RecordingPreviewWindow final : public PreviewWindowView {
  public:
    bool previewShown() const override { return opened > 0; }
    void openPreview() override { ++opened; }
    void showFrame(const unsigned char* bytes, std::size_t length) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (frames++ == 0)
            firstFrame.assign(reinterpret_cast<const char*>(bytes), length);
        lastFrame.assign(reinterpret_cast<const char*>(bytes), length);
    }
    void showStockPicture(StockPicture picture) override { last = picture; }
    int opened = 0;
    std::atomic<int> frames{0};
    std::atomic<StockPicture> last{StockPicture::Blank};
    // The bytes of the first and last frame shown since frames was set to 0.
    std::mutex mutex;
    std::string firstFrame;
    std::string lastFrame;
};

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : info(infoView) {
        folders.programFolder = folder.path() / "program";
        folders.workFolder = folders.programFolder;
        folders.desktopFolder = folder.path() / "desktop";
        folders.picsFolder = folders.programFolder / "pics";
        folders.workTempFolder = folders.programFolder / "temp";
        folders.tempPictureFolder = folders.programFolder / "temp-pictures";
        for (const auto& f : {folders.desktopFolder, folders.picsFolder, folders.workTempFolder,
                              folders.tempPictureFolder})
            std::filesystem::create_directories(f);
    }

    MainWindowServices services() {
        MainWindowServices services;
        services.folders = folders;
        services.fonts = &fonts;
        services.preferences = &preferences;
        services.optionDialogs = &options;
        services.info = &info;
        services.programPath = (folders.programFolder / "velomira").string();
        services.randomSeed = 7;
        services.sound = &sound;
        services.previewWindow = &previewWindow;
        services.previewClock = &previewClock;
        services.processors = 8;
        return services;
    }

    MainWindow& window() {
        if (!window_) {
            window_ = std::make_unique<MainWindow>(view, services());
            window_->start();
        }
        return *window_;
    }

    std::string picture(const std::string& name, const std::string& colour = "#336699") {
        return testing::writeSolidPicture(folder.file(name), 64, 48, colour, "png");
    }

    // Adds n pictures by dropping them.
    void addPictures(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(picture("p" + std::to_string(i) + ".png"));
        window().filesDropped(paths);
    }

    void select(std::vector<int> rows, int focused, bool listFocus = true) {
        window().selectionChanged(rows, focused, listFocus);
    }

    TempFolder folder;
    StartupFolders folders;
    CaptionFontTable fonts = oneFont();
    Preferences preferences;
    ScriptedView view;
    testing::ScriptedInfoView infoView;
    InfoLog info;
    testing::ScriptedOptionDialogs options;
    RecordingDialogs dialogs;
    testing::RecordingSound sound;
    RecordingPreviewWindow previewWindow;
    InstantClock previewClock;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, StartsEmptyWithItsTitleStatusAndEnabling) {
    window();
    EXPECT_EQ(view.title, "Velomira(V8.3)");
    EXPECT_EQ(view.status[0], "0 张图片");
    EXPECT_EQ(view.status[2], "音频长度: 00:00:00");
    EXPECT_EQ(view.status[3], "视频长度: 00:00:00");
    EXPECT_TRUE(view.emptyHint);
    for (Command c : {Command::GenerateVideo, Command::GenerateButton, Command::RemovePictures,
                      Command::MoveForward, Command::RotateLeft})
        EXPECT_FALSE(view.enabled[c]) << commandNumber(c);
    EXPECT_EQ(view.choice[Command::DisplayTime], 21);
    EXPECT_EQ(view.choices[Command::VideoSize].back(), "自定义...");
}

TEST_F(MainWindowTest, DroppedFilesKeepPicturesAndReportEachBadOneOnce) {
    window();
    std::filesystem::create_directories(folder.path() / "folder.jpg");
    const std::string text = folder.writeFile("notes.txt", "hello");
    const std::string empty = folder.writeFile("empty.jpg", "");
    const std::string gif =
        testing::writeAnimatedGif(folder.file("anim.gif"), 32, 32, "#ff0000", "#00ff00");
    window().filesDropped({(folder.path() / "folder.jpg").string(), text, picture("a.png"), empty,
                           gif, picture("b.PNG")});
    ASSERT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(view.rows[0].text, "无动画");
    EXPECT_FALSE(view.rows[0].icon.empty());
    EXPECT_EQ(view.status[0], "2 张图片");
    EXPECT_TRUE(view.enabled[Command::GenerateVideo]);
    EXPECT_FALSE(view.emptyHint);
    EXPECT_NE(infoView.text.find("不支持gif动画图片:\r\n" + gif), std::string::npos);
    EXPECT_NE(infoView.text.find(empty), std::string::npos);
    EXPECT_EQ(infoView.timesShown, 1);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(view.waitCursorDepth, 0);
}

TEST_F(MainWindowTest, AnImportedAnimationAddsItsFramesAsRowsWithoutTransitions) {
    addPictures(1);
    const std::string gif =
        testing::writeAnimatedGif(folder.file("anim.gif"), 32, 24, "#ff0000", "#00ff00");
    dialogs.scriptFiles({gif});
    window().dispatch(Command::ImportAnimation);
    ASSERT_EQ(view.rows.size(), 3u);
    for (int row : {1, 2}) {
        EXPECT_EQ(view.rows[row].text, "无动画");
        EXPECT_FALSE(view.rows[row].icon.empty());
        EXPECT_EQ(window().album().items[row].path.rfind(folders.tempPictureFolder.string(), 0),
                  0u);
    }
    EXPECT_EQ(view.status[0], "3 张图片");
    EXPECT_EQ(preferences.folders.import, folder.path().string());
    // Pictures in the temporary folder cannot be saved elsewhere before a first save.
    EXPECT_FALSE(window().projectMenu()[3].enabled);
}

TEST_F(MainWindowTest, RemovingTheFirstPictureLeavesTheNewFirstWithoutTransition) {
    addPictures(3);
    ASSERT_NE(window().album().items[1].animationIndex, NO_TRANSITION);
    select({0}, 0);
    window().dispatch(Command::RemovePictures);
    ASSERT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(window().album().items[0].animationIndex, NO_TRANSITION);
    EXPECT_EQ(view.rows[0].text, "无动画");
    EXPECT_EQ(view.status[0], "2 张图片");
    select({0, 1}, 1);
    window().deleteKey(); // every picture selected: the whole album goes
    EXPECT_TRUE(view.rows.empty());
    EXPECT_TRUE(view.emptyHint);
    EXPECT_FALSE(view.enabled[Command::GenerateVideo]);
}

TEST_F(MainWindowTest, UndoBringsBackTheLastRemovalUntilTheListChanges) {
    addPictures(5);
    window().checkChanged(Command::CaptionSwitch, true);
    select({3}, 3);
    window().textEdited(Command::CaptionText, "第四张");
    select({3}, 3);
    window().dispatch(Command::RotateRight);
    const std::vector<AlbumItem> original = window().album().items;
    const std::vector<testing::ScriptedRow> originalRows = view.rows;
    auto undoEnabled = [&] {
        for (const MenuEntryState& e : window().contextMenu())
            if (e.command == Command::ContextUndoRemoval)
                return e.enabled;
        return false;
    };
    EXPECT_FALSE(undoEnabled());

    // Removing the selection, then everything: each undo restores the list before it, rows,
    // transitions, turns, captions and the selection included.
    select({0, 3}, 3);
    window().dispatch(Command::RemovePictures);
    ASSERT_EQ(view.rows.size(), 3u);
    EXPECT_NE(view.status[1].find("Ctrl+Z"), std::string::npos) << view.status[1];
    EXPECT_TRUE(undoEnabled());
    window().dispatch(Command::ContextUndoRemoval);
    EXPECT_EQ(window().album().items, original);
    ASSERT_EQ(view.rows.size(), 5u);
    for (std::size_t i = 0; i < view.rows.size(); ++i) {
        EXPECT_EQ(view.rows[i].icon, originalRows[i].icon) << i;
        EXPECT_EQ(view.rows[i].text, originalRows[i].text) << i;
    }
    EXPECT_EQ(view.selection, (std::vector<int>{0, 3}));
    EXPECT_EQ(window().selectedRows(), (std::vector<int>{0, 3}));
    EXPECT_EQ(view.status[0], "5 张图片");
    EXPECT_FALSE(undoEnabled()); // one undo per removal

    window().dispatch(Command::ContextRemoveAll);
    EXPECT_TRUE(view.rows.empty());
    window().dispatch(Command::ContextUndoRemoval);
    EXPECT_EQ(window().album().items, original);

    // A single picture gives no hint; a change to the list after the removal ends the undo.
    select({4}, 4);
    window().dispatch(Command::RemovePictures);
    EXPECT_EQ(view.status[1], "");
    EXPECT_TRUE(undoEnabled());
    select({0}, 0);
    window().dispatch(Command::RotateLeft);
    EXPECT_FALSE(undoEnabled());
    window().dispatch(Command::ContextUndoRemoval);
    EXPECT_EQ(view.rows.size(), 4u);

    // So does a new project, even though it leaves the same empty list as "移除全部".
    window().dispatch(Command::ContextRemoveAll);
    window().dispatch(Command::NewProject);
    EXPECT_FALSE(undoEnabled());
}

TEST_F(MainWindowTest, MovingKeepsTransitionsInPlaceAndStopsAtTheEnds) {
    addPictures(4);
    const auto before = window().album().items;
    select({0, 3}, 3);
    window().dispatch(Command::MoveForward);
    EXPECT_EQ(window().album().items[3].path, before[3].path); // nothing moved at all

    select({2, 3}, 2);
    window().dispatch(Command::MoveForward);
    const auto& items = window().album().items;
    EXPECT_EQ(items[1].path, before[2].path);
    EXPECT_EQ(items[2].path, before[3].path);
    EXPECT_EQ(items[3].path, before[1].path);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(items[i].animationIndex, before[i].animationIndex);
    EXPECT_EQ(view.selection, (std::vector<int>{1, 2}));

    select({3}, 3);
    window().dispatch(Command::MoveBack);
    EXPECT_EQ(items[3].path, before[1].path);
}

TEST_F(MainWindowTest, RotatingTurnsInQuarterTurnsAndRedrawsTheIcon) {
    addPictures(1);
    select({0}, 0);
    const PngBytes upright = view.rows[0].icon;
    window().dispatch(Command::RotateRight);
    EXPECT_EQ(window().album().items[0].turnAngle, 90);
    EXPECT_NE(view.rows[0].icon, upright);
    for (int i = 0; i < 3; ++i)
        window().dispatch(Command::RotateRight);
    EXPECT_EQ(window().album().items[0].turnAngle, 0);
    window().dispatch(Command::RotateLeft);
    EXPECT_EQ(window().album().items[0].turnAngle, 270);
}

TEST_F(MainWindowTest, TransitionCommandsForTheWholeAlbum) {
    addPictures(3);
    for (int round = 0; round < 20; ++round) {
        window().dispatch(Command::ContextNewTransitionSet);
        const auto& items = window().album().items;
        EXPECT_EQ(items[0].animationIndex, NO_TRANSITION);
        EXPECT_NE(items[1].animationIndex, items[2].animationIndex);
        EXPECT_EQ(view.rows[2].text, items[2].animationName);
    }
    select({2}, 2);
    window().dispatch(Command::ContextSameTransitionForAll);
    const auto& items = window().album().items;
    EXPECT_EQ(items[1].animationIndex, items[2].animationIndex);
    EXPECT_EQ(items[0].animationIndex, NO_TRANSITION);

    // The floating editor: a separator changes nothing, a name sets that transition.
    EXPECT_EQ(view.editorRow, 2);
    const int kept = items[2].animationIndex;
    window().transitionChosen("--------------------");
    EXPECT_EQ(items[2].animationIndex, kept);
    EXPECT_EQ(view.editorRow, -1);
    window().transitionChosen("无动画");
    EXPECT_EQ(items[2].animationIndex, NO_TRANSITION);
    EXPECT_EQ(view.rows[2].text, "无动画");
}

TEST_F(MainWindowTest, ShuffleKeepsTransitionsWithThePositions) {
    addPictures(6);
    std::vector<int> transitions;
    std::multiset<std::string> paths;
    for (const auto& item : window().album().items) {
        transitions.push_back(item.animationIndex);
        paths.insert(item.path);
    }
    window().dispatch(Command::ContextShuffle);
    std::multiset<std::string> shuffled;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(window().album().items[i].animationIndex, transitions[i]);
        shuffled.insert(window().album().items[i].path);
    }
    EXPECT_EQ(shuffled, paths);
}

TEST_F(MainWindowTest, CaptionArrangements) {
    struct Case {
        Command command;
        int firstLocation;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {Command::ContextCaptionsEdgeDiagonal, 4, {1, 2, 1, 2}},
        {Command::ContextCaptionsEdgeDiagonal, 7, {2, 1, 2, 1}},
        {Command::ContextCaptionsEdgeCross, 0, {0, 1, 2, 3}},
        {Command::ContextCaptionsEdgeCross, 3, {3, 0, 1, 2}},
        {Command::ContextCaptionsInsetDiagonal, 4, {6, 7, 6, 7}},
        {Command::ContextCaptionsInsetDiagonal, 0, {5, 8, 5, 8}},
        {Command::ContextCaptionsInsetCross, 8, {8, 5, 6, 7}},
        {Command::ContextCaptionsMiddleBottom, 2, {4, 4, 4, 4}},
    };
    addPictures(4);
    window().checkChanged(Command::CaptionSwitch, true);
    for (const Case& c : cases) {
        select({0}, 0);
        window().choiceChanged(Command::CaptionPosition, c.firstLocation);
        window().dispatch(c.command);
        std::vector<int> got;
        for (const auto& item : window().album().items)
            got.push_back(item.caption.location);
        EXPECT_EQ(got, c.expected) << commandNumber(c.command) << " from " << c.firstLocation;
    }
}

TEST_F(MainWindowTest, SelectionDecidesTheMoveButtonsAndTheStatusText) {
    addPictures(3);
    struct Case {
        std::vector<int> rows;
        bool forward;
        bool back;
    };
    for (const Case& c : std::vector<Case>{{{0}, false, true},
                                           {{1}, true, true},
                                           {{2}, true, false},
                                           {{0, 1}, false, true},
                                           {{1, 2}, true, false},
                                           {{0, 2}, false, false}}) {
        select(c.rows, c.rows.front());
        EXPECT_EQ(view.enabled[Command::MoveForward], c.forward) << c.rows.size();
        EXPECT_EQ(view.enabled[Command::MoveBack], c.back) << c.rows.size();
        EXPECT_TRUE(view.enabled[Command::RemovePictures]);
    }
    select({0, 1}, 1);
    EXPECT_EQ(view.status[1], "选中了 2 张图片");
    select({1}, 1);
    EXPECT_NE(view.status[1].find(", 动画长度: "), std::string::npos);
    EXPECT_EQ(view.editorRow, 1);
    select({1}, 1, false); // focus elsewhere: no floating editor
    EXPECT_EQ(view.editorRow, -1);
    select({}, -1);
    EXPECT_EQ(view.status[1], "");
    EXPECT_FALSE(view.enabled[Command::RemovePictures]);
}

TEST_F(MainWindowTest, CaptionsFollowTheSwitchTextAndBadges) {
    addPictures(2);
    select({1}, 1);
    window().textEdited(Command::CaptionText, "ignored while captions are off");
    EXPECT_EQ(window().album().items[1].caption.text, "");
    window().checkChanged(Command::CaptionSwitch, true);
    EXPECT_TRUE(view.enabled[Command::CaptionText]);
    window().textEdited(Command::CaptionText, "  新品上市 \r\n");
    EXPECT_EQ(window().album().items[1].caption.text, "新品上市");
    ASSERT_EQ(view.badges.size(), 1u);
    EXPECT_EQ(view.badges[0].row, 1);
    window().checkChanged(Command::CaptionSwitch, false);
    EXPECT_TRUE(view.badges.empty());
    EXPECT_FALSE(view.enabled[Command::CaptionFont]);
}

TEST_F(MainWindowTest, ACaptionInTheLogosCornerIsWarnedAboutOnceEachTime) {
    addPictures(2);
    select({1}, 1);
    window().checkChanged(Command::CaptionSwitch, true);
    window().textEdited(Command::CaptionText, "角落");
    window().choiceChanged(Command::LogoPosition, 3); // "右侧下方"
    auto warnings = [&] {
        return std::count(view.statusHistory.begin(), view.statusHistory.end(),
                          kCaptionUnderLogoText);
    };
    // Each step: the control, its value, and the warnings seen so far.
    const struct {
        Command control;
        int value;
        long warned;
    } steps[] = {
        {Command::CaptionPosition, 3, 0}, // logo still off
        {Command::LogoSwitch, 1, 1},      // both on, same corner: said once
        {Command::CaptionPosition, 8, 1}, // inset, same corner: already said
        {Command::LogoPosition, 0, 1},    // apart
        {Command::LogoPosition, 3, 2},    // together again: said again
        {Command::CaptionPosition, 4, 2}, // the middle is no corner
        {Command::CaptionSwitch, 0, 2},
    };
    for (const auto& step : steps) {
        if (step.control == Command::LogoSwitch || step.control == Command::CaptionSwitch)
            window().checkChanged(step.control, step.value != 0);
        else
            window().choiceChanged(step.control, step.value);
        EXPECT_EQ(warnings(), step.warned) << commandNumber(step.control) << " " << step.value;
    }
    // A picture without a caption text has nothing to hide.
    window().checkChanged(Command::CaptionSwitch, true);
    select({0}, 0);
    window().choiceChanged(Command::CaptionPosition, 3);
    EXPECT_EQ(warnings(), 2);
}

TEST_F(MainWindowTest, WithoutFontsTheCaptionSwitchAsksAndStaysOff) {
    fonts.clear();
    dialogs.scriptAnswer(Answer::No);
    window().checkChanged(Command::CaptionSwitch, true);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "注意");
    EXPECT_FALSE(view.checked[Command::CaptionSwitch]);
    EXPECT_FALSE(window().album().settings.textWatermark);
}

TEST_F(MainWindowTest, CustomVideoSizeIsAddedOnceAndCancelRestoresTheChoice) {
    window();
    const int custom = static_cast<int>(view.choices[Command::VideoSize].size()) - 1;
    window().choiceChanged(Command::VideoSize, 16); // 1280 x 720
    EXPECT_EQ(window().album().settings.videoWidth, 1280);
    window().choiceChanged(Command::VideoSize, custom);
    EXPECT_EQ(view.choice[Command::VideoSize], 16); // cancelled

    options.customSize = VideoSize{500, 500};
    window().choiceChanged(Command::VideoSize, custom);
    const auto& labels = view.choices[Command::VideoSize];
    ASSERT_EQ(static_cast<int>(labels.size()), custom + 2);
    EXPECT_EQ(view.choice[Command::VideoSize], custom);
    EXPECT_EQ(window().album().settings.videoWidth, 500);
    window().choiceChanged(Command::VideoSize, custom + 1);
    EXPECT_EQ(view.choices[Command::VideoSize].size(), labels.size());
}

TEST_F(MainWindowTest, AutomaticDisplayTimeAndLoopPlayAreNeverOnTogether) {
    window().checkChanged(Command::LoopPlay, true);
    window().checkChanged(Command::AutoDisplayTime, true);
    EXPECT_FALSE(window().album().settings.bgsoundAutoSetImageLoopPlay);
    EXPECT_FALSE(view.checked[Command::LoopPlay]);
    window().checkChanged(Command::LoopPlay, true);
    EXPECT_FALSE(window().album().settings.bgsoundAutoSetPauseTime);
    EXPECT_FALSE(view.checked[Command::AutoDisplayTime]);
    EXPECT_TRUE(view.visible[Command::DisplayTime]);
}

TEST_F(MainWindowTest, ClosingHidesToTheTrayOnlyWhereThereIsOne) {
    preferences.clickCloseButtonStatus = CloseBehaviour::HideToTray;
    addPictures(1);
    window().closeRequested();
    EXPECT_FALSE(view.windowShown);
    EXPECT_TRUE(view.trayShown);
    EXPECT_TRUE(window().hiddenInTray());
    window().trayIconClicked();
    EXPECT_TRUE(view.windowShown);
    EXPECT_FALSE(view.trayShown);

    view.trayPresent = false;
    window().closeRequested();
    EXPECT_TRUE(view.windowShown);
    EXPECT_TRUE(view.minimized);
    EXPECT_FALSE(view.quitCalled);
}

TEST_F(MainWindowTest, ExitFromTheTrayRestoresTheWindowBeforeAskingAndKeepsUnsavedWork) {
    preferences.clickCloseButtonStatus = CloseBehaviour::HideToTray;
    addPictures(1);
    window().closeRequested();
    dialogs.scriptAnswer(Answer::Cancel);
    window().dispatch(Command::TrayExit);
    EXPECT_TRUE(view.windowShown);
    EXPECT_FALSE(view.trayShown);
    EXPECT_FALSE(view.quitCalled);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "项目已更改，是否保存更改？");

    // Yes, then a cancelled save dialog: the album would be lost, so the program stays.
    dialogs.scriptAnswer(Answer::Yes);
    window().dispatch(Command::TrayExit);
    EXPECT_FALSE(view.quitCalled);

    std::ofstream(folders.tempPictureFolder / "download.jpg") << "x";
    dialogs.scriptAnswer(Answer::No);
    window().dispatch(Command::TrayExit);
    EXPECT_TRUE(view.quitCalled);
    EXPECT_TRUE(std::filesystem::is_empty(folders.tempPictureFolder));
}

TEST_F(MainWindowTest, ProjectOpenedAtStartShowsItsPicturesTitleAndMenus) {
    addPictures(2);
    select({1}, 1);
    window().dispatch(Command::RotateRight);
    AlbumProject saved = window().album();
    ProjectFileState state;
    const std::string path = folder.file("album.dat");
    ASSERT_TRUE(saveProjectFile(saved, {folders.picsFolder.string(), ""}, path, state));

    ScriptedView fresh;
    MainWindow reopened(fresh, services());
    reopened.start();
    ASSERT_TRUE(reopened.openProjectAtStart(path));
    ASSERT_EQ(fresh.rows.size(), 2u);
    EXPECT_EQ(reopened.album().items[1].turnAngle, 90);
    EXPECT_EQ(fresh.rows[1].icon, view.rows[1].icon); // the turned thumbnail
    EXPECT_EQ(fresh.title, "Velomira(V8.3) - album.dat");
    const auto menu = reopened.projectMenu();
    EXPECT_FALSE(menu[2].enabled); // "保存": nothing changed
    EXPECT_TRUE(menu[3].enabled);  // "另存为"
    reopened.selectionChanged({0}, 0, true);
    reopened.dispatch(Command::RotateLeft);
    EXPECT_TRUE(reopened.projectMenu()[2].enabled);

    // Started from a launcher with pictures and the project: the project, then the pictures.
    ScriptedView launched;
    MainWindow fromLauncher(launched, services());
    fromLauncher.start();
    fromLauncher.openFilesAtStart({picture("extra.png"), path});
    ASSERT_EQ(launched.rows.size(), 3u);
    EXPECT_EQ(fromLauncher.album().items[2].path, picture("extra.png"));
    EXPECT_EQ(launched.title, "Velomira(V8.3) - album.dat");
}

TEST_F(MainWindowTest, ProjectMessagesAreShownInTheOrderTheyAroseAndPreferencesStay) {
    preferences.videoBgFillColor = BackgroundFill::Black;
    addPictures(1);
    const std::string entry = "{\"path\":\"" + picture("p0.png") +
                              "\",\"animationIndex\":99,\"animationName\":\"\",\"fileName\":"
                              "\"p0.png\",\"watermark_location\":4,\"watermark_text\":\"\"}";
    const std::string droppedThenCut = folder.writeFile(
        "cut.dat", "{\"text_watermark\":0,\"text_watermark_font\":0,\"text_watermark_color\":8,"
                   "\"logo\":0,\"logo_location\":2,\"bgsound\":1,"
                   "\"bgsound_auto_set_pause_time\":0,\"video_size\":\"641x480\",\"imgs\":[" +
                       entry + "]}");
    const struct {
        std::string path;
        std::vector<std::pair<std::string, std::string>> messages; // title, text
        std::size_t rows;
    } cases[] = {
        {folder.file("missing.dat"),
         {{"提示", "读取文件时出错, 无法打开文件句柄\n文件不存在: " + folder.file("missing.dat")}},
         0},
        {droppedThenCut,
         {{"提示", "项目中的视频尺寸 641x480 不受支持（宽 2~3840，高 2~2160，且为偶数），"
                   "请重新选择视频尺寸。"},
          {"提示", "文件格式不对！"}},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        dialogs.clearMessages();
        EXPECT_FALSE(window().openProjectAtStart(c.path));
        std::vector<std::pair<std::string, std::string>> shown;
        for (const auto& m : dialogs.messages())
            shown.emplace_back(m.title, m.text);
        EXPECT_EQ(shown, c.messages);
        EXPECT_EQ(view.rows.size(), c.rows);
        EXPECT_EQ(view.title, "Velomira(V8.3) - 新项目");
        EXPECT_EQ(window().album().settings.videoBgFillColor, BackgroundFill::Black);
    }

    // A project that cannot be written says so and keeps the window's project untitled.
    dialogs.clearMessages();
    dialogs.scriptFiles({folder.file("no such folder/p.dat")});
    window().dispatch(Command::SaveProject);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "写入文件时出错，文件句柄打开出错\n文件不存在: " +
                                              folder.file("no such folder/p.dat"));
    EXPECT_EQ(dialogs.messages()[0].title, "错误");
    EXPECT_EQ(window().projectFile().name, "新项目");
}

TEST_F(MainWindowTest, ContextMenuEnabling) {
    auto enabledOf = [&](Command c) {
        for (const MenuEntryState& e : window().contextMenu())
            if (e.command == c)
                return e.enabled;
        return false;
    };
    window();
    EXPECT_TRUE(enabledOf(Command::ContextAddPictures));
    EXPECT_FALSE(enabledOf(Command::ContextRemoveAll));
    addPictures(2);
    EXPECT_TRUE(enabledOf(Command::ContextShuffle));
    EXPECT_FALSE(enabledOf(Command::ContextInsertPictures));
    EXPECT_FALSE(enabledOf(Command::ContextCaptionsEdgeCross));
    select({0, 1}, 0);
    EXPECT_TRUE(enabledOf(Command::ContextSetAsCover));
    EXPECT_FALSE(enabledOf(Command::ContextSameTransitionForAll));
}

TEST_F(MainWindowTest, SettingsMenuSwitchesAreStoredAndChecked) {
    window().dispatch(Command::BackgroundBlack);
    window().dispatch(Command::DefaultNameFirstPicture);
    window().dispatch(Command::CloseHidesToTray);
    EXPECT_EQ(preferences.frameTransport, FrameTransport::RawPixels); // the default
    window().dispatch(Command::RawFrameTransport);
    EXPECT_EQ(preferences.frameTransport, FrameTransport::JpegFiles);
    window().dispatch(Command::AutoOrient); // on by default: the entry switches it off
    EXPECT_EQ(preferences.autoOrient, 0u);
    EXPECT_EQ(preferences.videoBgFillColor, BackgroundFill::Black);
    EXPECT_EQ(preferences.mp4DefaultFileName, OutputNaming::FirstPicture);
    EXPECT_EQ(preferences.clickCloseButtonStatus, CloseBehaviour::HideToTray);
    for (const MenuEntryState& e : window().settingsMenu()) {
        const bool expected = e.command == Command::BackgroundBlack ||
                              e.command == Command::DefaultNameFirstPicture ||
                              e.command == Command::CloseHidesToTray ||
                              e.command == Command::DefaultMotionNone ||
                              e.command == Command::EncoderSpeedStandard;
        EXPECT_EQ(e.checked, expected) << commandNumber(e.command);
    }
    options.loopPlay = 99;
    window().dispatch(Command::LoopPlayDialog);
    EXPECT_EQ(preferences.imageLoopPlayAnimation, 99u);
}

TEST_F(MainWindowTest, MusicFadeAndEvenLoudnessAreAlbumSwitchesRememberedForNewAlbums) {
    struct Case {
        Command command;
        bool on;
    } const steps[] = {{Command::MusicFade, true},
                       {Command::EvenLoudness, true},
                       {Command::MusicFade, false},
                       {Command::EvenLoudness, false}};
    bool fade = false, loudness = false;
    for (const Case& step : steps) {
        window().dispatch(step.command);
        (step.command == Command::MusicFade ? fade : loudness) = step.on;
        const VideoSettings& s = window().album().settings;
        EXPECT_EQ(s.musicFadeSeconds, fade ? kMusicFadeOutSeconds : 0.0);
        EXPECT_EQ(s.musicLoudness, loudness ? std::optional<double>(-14.0) : std::nullopt);
        EXPECT_EQ(preferences.newAlbumMusicFade, fade ? 1u : 0u);
        EXPECT_EQ(preferences.newAlbumLoudness, loudness ? 1u : 0u);
        for (const MenuEntryState& e : window().settingsMenu()) {
            if (e.command == Command::MusicFade) {
                EXPECT_EQ(e.checked, fade);
            }
            if (e.command == Command::EvenLoudness) {
                EXPECT_EQ(e.checked, loudness);
            }
        }
    }
}

TEST_F(MainWindowTest, EncoderSpeedIsTheAlbumsAndANewProjectStartsAtStandard) {
    const auto checkedSpeeds = [&] {
        std::vector<Command> checked;
        for (const MenuEntryState& e : window().settingsMenu())
            if (e.checked && (e.command == Command::EncoderSpeedFast ||
                              e.command == Command::EncoderSpeedStandard ||
                              e.command == Command::EncoderSpeedFine))
                checked.push_back(e.command);
        return checked;
    };
    const struct {
        Command command;
        EncoderSpeed speed;
    } cases[] = {{Command::EncoderSpeedFine, EncoderSpeed::Fine},
                 {Command::EncoderSpeedFast, EncoderSpeed::Fast},
                 {Command::EncoderSpeedStandard, EncoderSpeed::Standard}};
    EXPECT_EQ(checkedSpeeds(), std::vector<Command>{Command::EncoderSpeedStandard});
    for (const auto& c : cases) {
        window().dispatch(c.command);
        EXPECT_EQ(window().album().settings.encoderSpeed, c.speed) << commandNumber(c.command);
        EXPECT_EQ(checkedSpeeds(), std::vector<Command>{c.command});
    }
    window().dispatch(Command::EncoderSpeedFast);
    window().dispatch(Command::NewProject);
    EXPECT_EQ(window().album().settings.encoderSpeed, EncoderSpeed::Standard);
}

TEST_F(MainWindowTest, CameraMotionIsSetOnTheSelectionMarkedAndGivenToNewPictures) {
    const auto checkedMotion = [&] {
        std::vector<Command> checked;
        for (const MenuEntryState& e : window().contextMenu())
            if (e.checked && contextMotionChoice(e.command))
                checked.push_back(e.command);
        return checked;
    };
    addPictures(3);
    const auto& items = window().album().items;
    EXPECT_TRUE(view.motionMarks.empty());
    select({0, 2}, 2);
    EXPECT_EQ(checkedMotion(), std::vector<Command>{Command::ContextMotionNone});
    window().dispatch(Command::ContextMotionPanLeft);
    EXPECT_EQ(items[0].motion, CameraMotion::PanLeft);
    EXPECT_EQ(items[1].motion, CameraMotion::None);
    EXPECT_EQ(items[2].motion, CameraMotion::PanLeft);
    EXPECT_EQ(view.motionMarks, (std::vector<int>{0, 2}));
    EXPECT_EQ(checkedMotion(), std::vector<Command>{Command::ContextMotionPanLeft});
    select({0, 1}, 1);
    EXPECT_TRUE(checkedMotion().empty()) << "a mixed selection checks nothing";

    // The motion belongs to the picture: it moves with it, and the mark follows.
    select({2}, 2);
    window().dispatch(Command::MoveForward);
    EXPECT_EQ(items[1].motion, CameraMotion::PanLeft);
    EXPECT_EQ(view.motionMarks, (std::vector<int>{0, 1}));

    // Random is drawn at once and then shows as the move it drew.
    select({2}, 2);
    window().dispatch(Command::ContextMotionRandom);
    EXPECT_NE(items[2].motion, CameraMotion::None);
    ASSERT_EQ(checkedMotion().size(), 1u);
    EXPECT_EQ(contextMotionChoice(checkedMotion()[0]), cameraMotionNumber(items[2].motion));

    // The settings' default goes to pictures added afterwards.
    window().dispatch(Command::DefaultMotionZoomOut);
    EXPECT_EQ(preferences.newPictureMotion, 2u);
    for (const MenuEntryState& e : window().settingsMenu()) {
        if (defaultMotionChoice(e.command)) {
            EXPECT_EQ(e.checked, e.command == Command::DefaultMotionZoomOut);
        }
    }
    window().filesDropped({picture("later.png")});
    EXPECT_EQ(items.back().motion, CameraMotion::ZoomOut);
    window().dispatch(Command::DefaultMotionRandom);
    window().filesDropped({picture("drawn.png")});
    EXPECT_NE(items.back().motion, CameraMotion::None);
}

TEST_F(MainWindowTest, FillModeFollowsAVerticalSizeUntilPickedAndPicturesMayHaveTheirOwn) {
    const auto sizeIndex = [&](const std::string& text) {
        const auto& texts = window().album().settings.videoSizeTexts;
        return static_cast<int>(std::find(texts.begin(), texts.end(), text) - texts.begin());
    };
    const std::string note =
        "竖屏视频：字幕和图标会避开画面底部 20% 和右侧 12%（手机应用的按钮和说明所在处）";
    const auto notes = [&] {
        return std::count(view.statusHistory.begin(), view.statusHistory.end(), note);
    };
    window(); // started
    EXPECT_EQ(view.choices[Command::FillModeChoice],
              (std::vector<std::string>{"适应画面", "裁剪铺满", "模糊背景"}));
    const struct {
        const char* size;
        int fillShown;   // the output group's fill choice afterwards
        long notesShown; // the safe-area note, counted over the steps so far
    } steps[] = {{"1920x1080", 0, 0}, {"1080x1920", 2, 1}, {"1280x720", 0, 1}, {"720x1280", 2, 1}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.size);
        window().choiceChanged(Command::VideoSize, sizeIndex(step.size));
        EXPECT_EQ(view.choice[Command::FillModeChoice], step.fillShown);
        EXPECT_EQ(notes(), step.notesShown) << "the note is shown once";
    }
    window().choiceChanged(Command::FillModeChoice, 1);
    window().choiceChanged(Command::VideoSize, sizeIndex("1920x1080"));
    EXPECT_EQ(window().album().settings.fillMode, FillMode::Crop) << "a picked mode stays";
    EXPECT_EQ(view.choice[Command::FillModeChoice], 1);

    const auto checkedFill = [&] {
        std::vector<Command> checked;
        for (const MenuEntryState& e : window().contextMenu())
            if (e.checked && contextFillChoice(e.command))
                checked.push_back(e.command);
        return checked;
    };
    addPictures(2);
    const auto& items = window().album().items;
    select({1}, 1);
    EXPECT_EQ(checkedFill(), std::vector<Command>{Command::ContextFillAlbum});
    window().dispatch(Command::ContextFillBlur);
    EXPECT_EQ(items[1].fillMode, FillMode::Blur);
    EXPECT_EQ(items[0].fillMode, std::nullopt);
    EXPECT_EQ(checkedFill(), std::vector<Command>{Command::ContextFillBlur});
    select({0, 1}, 1);
    EXPECT_TRUE(checkedFill().empty()) << "a mixed selection checks nothing";
    window().dispatch(Command::ContextFillAlbum);
    EXPECT_EQ(items[1].fillMode, std::nullopt);
    // The picture's own mode moves with it.
    select({1}, 1);
    window().dispatch(Command::ContextFillFit);
    window().dispatch(Command::MoveForward);
    EXPECT_EQ(items[0].fillMode, FillMode::Fit);
    EXPECT_EQ(items[1].fillMode, std::nullopt);
}

TEST_F(MainWindowTest, WebCommandsWithoutAConfiguredSiteSayWhy) {
    window().dispatch(Command::OfficialSite);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("web_site"), std::string::npos);
    EXPECT_TRUE(view.opened.empty());
}

TEST_F(MainWindowTest, AboutBoxNamesTheSiteOnlyWhenOneIsConfigured) {
    window().dispatch(Command::About);
    MainWindowServices withSite = services();
    withSite.vendorHost = "www.example.com";
    ScriptedView otherView;
    MainWindow other(otherView, withSite);
    other.start();
    other.dispatch(Command::About);
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].title, "关于");
    EXPECT_TRUE(messages[0].text.starts_with("Velomira V8.3\n"));
    EXPECT_TRUE(messages[0].text.ends_with("TBI。")) << messages[0].text;
    EXPECT_TRUE(messages[1].text.ends_with("TBI。\n\n\n官网：www.example.com"));
}

TEST_F(MainWindowTest, DesktopShortcutWritesAnExecutableLauncher) {
    window().dispatch(Command::DesktopShortcut);
    const auto launcher = folders.desktopFolder / kLauncherFileName;
    ASSERT_TRUE(std::filesystem::exists(launcher));
    EXPECT_TRUE((std::filesystem::status(launcher).permissions() &
                 std::filesystem::perms::owner_exec) != std::filesystem::perms::none);
    EXPECT_EQ(dialogs.messages().back().text, "在桌面上成功创建了一个快捷方式");

    // Without a desktop folder the launcher lands in the home folder, and the message says so.
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    setenv("HOME", folders.desktopFolder.c_str(), 1);
    window().dispatch(Command::DesktopShortcut);
    setenv("HOME", savedHome.c_str(), 1);
    EXPECT_EQ(dialogs.messages().back().text,
              "没有找到桌面文件夹，快捷方式创建在: " + launcher.string());
}

TEST_F(MainWindowTest, LogoRefusesCmykAndOtherFormatsWhereTheCoverTakesCmyk) {
    const std::string cmyk = testing::writeCmykJpeg(folder.file("cmyk.jpg"), 32, 32, "#00ff00");
    const std::string bmp = testing::writeSolidPicture(folder.file("b.png"), 8, 8, "#000", "bmp");
    const std::string png = picture("logo.png");
    window().checkChanged(Command::LogoSwitch, true);
    struct Case {
        Command chooser;
        std::string file;
        std::string title; // of the refusal; empty: taken
    };
    for (const Case& c : std::vector<Case>{{Command::LogoChoose, png, ""},
                                           {Command::LogoChoose, cmyk, "提示"},
                                           {Command::LogoChoose, bmp, "错误"},
                                           {Command::CoverChoose, cmyk, ""},
                                           {Command::CoverChoose, bmp, "错误"}}) {
        const size_t before = dialogs.messages().size();
        dialogs.scriptFiles({c.file});
        window().dispatch(c.chooser);
        const Command field =
            c.chooser == Command::LogoChoose ? Command::LogoPath : Command::CoverPath;
        if (c.title.empty()) {
            EXPECT_EQ(view.fields[field], c.file);
            EXPECT_EQ(dialogs.messages().size(), before);
        } else {
            EXPECT_EQ(view.fields[field], "") << c.file;
            ASSERT_EQ(dialogs.messages().size(), before + 1);
            EXPECT_EQ(dialogs.messages().back().title, c.title);
        }
    }
    EXPECT_EQ(preferences.folders.logo, folder.path().string());
}

TEST_F(MainWindowTest, SaveAddsTheExtensionAndTheTitleFollows) {
    addPictures(1);
    dialogs.scriptFiles({folder.file("abc")});
    window().dispatch(Command::SaveProject);
    EXPECT_TRUE(std::filesystem::exists(folder.file("abc.dat")));
    EXPECT_EQ(view.title, "Velomira(V8.3) - abc.dat");
    EXPECT_FALSE(window().projectMenu()[2].enabled);
    dialogs.scriptFiles({folder.file("copy.DAT")});
    window().dispatch(Command::SaveProjectAs);
    EXPECT_TRUE(std::filesystem::exists(folder.file("copy.DAT")));
    EXPECT_EQ(window().projectFile().name, "copy.DAT");

    // New on an unmodified project asks nothing, empties the album, names the project and
    // puts the caption position back in the middle below.
    window().checkChanged(Command::CaptionSwitch, true);
    select({0}, 0);
    window().choiceChanged(Command::CaptionPosition, 1);
    window().dispatch(Command::SaveProject);
    window().dispatch(Command::NewProject);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.title, "Velomira(V8.3) - 新项目");
    EXPECT_EQ(view.choice[Command::CaptionPosition], 4);
}

TEST_F(MainWindowTest, GenerationRunsWithProgressAndAStopEndsWithoutThePlayQuestion) {
    std::filesystem::create_directories(folders.programFolder / "tool");
    std::filesystem::create_symlink("/usr/bin/ffmpeg", folders.programFolder / "tool/ffmpeg");
    addPictures(2);
    window().choiceChanged(Command::VideoSize, 2); // 480 x 270, small but real
    window().choiceChanged(Command::DisplayTime, 0);

    auto run = [&](const std::string& name, bool stop) {
        dialogs.scriptFiles({folder.file(name)});
        window().dispatch(Command::GenerateVideo);
        EXPECT_TRUE(window().generating());
        EXPECT_FALSE(view.windowEnabled);
        if (stop)
            window().stopGeneration();
        for (int i = 0; i < 6000 && window().generating(); ++i) {
            view.runPosted();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_FALSE(window().generating());
        EXPECT_TRUE(view.windowEnabled);
        EXPECT_FALSE(view.progressShown);
    };
    dialogs.scriptAnswer(Answer::No);
    window().dispatch(Command::RawFrameTransport); // the window's choice reaches the encoder
    run("movie", false);
    EXPECT_TRUE(std::filesystem::exists(folder.file("movie.mp4")));
    ASSERT_FALSE(dialogs.messages().empty());
    EXPECT_EQ(dialogs.messages().back().text, "视频文件已生成，是否要查看该视频？");
    EXPECT_EQ(view.progress.front(), std::make_pair(1, 2));

    const size_t before = dialogs.messages().size();
    run("stopped.mp4", true);
    EXPECT_TRUE(view.stopping);
    EXPECT_EQ(dialogs.messages().size(), before); // no play question after a stop

    // Nothing opens the video nor the page: the page was written, and the message says that
    // opening it failed.
    view.openSucceeds = false;
    dialogs.scriptAnswer(Answer::Yes);
    run("again", false);
    const std::string page = (folders.programFolder / "play.html").string();
    EXPECT_TRUE(std::filesystem::exists(page));
    EXPECT_EQ(dialogs.messages().back().text.rfind("无法用浏览器打开播放视频的HTML文件 " + page, 0),
              0u)
        << dialogs.messages().back().text;

    // A folder chosen as the video is refused before anything runs, naming it.
    std::filesystem::create_directories(folder.file("clips.mp4"));
    dialogs.scriptFiles({folder.file("clips")});
    window().dispatch(Command::GenerateVideo);
    EXPECT_FALSE(window().generating());
    EXPECT_NE(dialogs.messages().back().text.find(folder.file("clips.mp4") + " 是一个文件夹"),
              std::string::npos);
}

TEST_F(MainWindowTest, AStopKeepsAnEarlierVideoAndSaysWhereTheStoppedOneIs) {
    std::filesystem::create_directories(folders.programFolder / "tool");
    std::filesystem::create_symlink("/usr/bin/ffmpeg", folders.programFolder / "tool/ffmpeg");
    addPictures(12);
    window().choiceChanged(Command::VideoSize, 2);
    const std::string earlier = folder.writeFile("movie.mp4", "a complete earlier video");
    dialogs.scriptFiles({earlier});
    window().dispatch(Command::GenerateVideo);
    ASSERT_TRUE(window().generating());
    const auto runPostedWhile = [&](const std::function<bool()>& condition) {
        for (int i = 0; i < 6000 && window().generating() && condition(); ++i) {
            view.runPosted();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    // Stopped once the first picture is in, so that the stopped video has frames.
    runPostedWhile([&] { return view.progress.back().first < 2; });
    window().stopGeneration();
    runPostedWhile([] { return true; });
    ASSERT_FALSE(window().generating());

    EXPECT_EQ(testing::readWholeFile(earlier), "a complete earlier video");
    const std::string beside = folder.file("movie (已停止).mp4");
    EXPECT_TRUE(std::filesystem::exists(beside));
    ASSERT_FALSE(dialogs.messages().empty());
    EXPECT_EQ(dialogs.messages().back().text,
              "视频已停止，未完成的视频保存为：" + beside + "，原有的视频文件保持不变。");
    EXPECT_EQ(dialogs.messages().back().title, "提示");
}

TEST_F(MainWindowTest, ARunsCoverWarningIsShownBeforeThePlayQuestion) {
    const std::filesystem::path tool = folders.programFolder / "tool";
    std::filesystem::create_directories(tool);
    std::filesystem::create_symlink("/usr/bin/ffmpeg", tool / "ffmpeg");
    std::ofstream(tool / "AtomicParsley") << "#!/bin/sh\necho 'bad atom' >&2\nexit 1\n";
    std::filesystem::permissions(tool / "AtomicParsley", std::filesystem::perms::owner_all);
    addPictures(2);
    window().choiceChanged(Command::VideoSize, 2);
    window().choiceChanged(Command::DisplayTime, 0);
    select({0}, 0);
    window().dispatch(Command::ContextSetAsCover);
    ASSERT_TRUE(window().album().settings.cover);

    dialogs.scriptAnswer(Answer::No);
    dialogs.scriptFiles({folder.file("covered")});
    window().dispatch(Command::GenerateVideo);
    for (int i = 0; i < 6000 && window().generating(); ++i) {
        view.runPosted();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(window().generating());
    EXPECT_TRUE(std::filesystem::exists(folder.file("covered.mp4")));
    const auto messages = dialogs.messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2].text, "设置封面没有成功：\nbad atom\n");
    EXPECT_EQ(messages[messages.size() - 2].title, "提示");
    EXPECT_EQ(messages.back().text, "视频文件已生成，是否要查看该视频？");
}

class ScriptedProductDialog final : public ProductDialogHost {
  public:
    std::optional<ProductLoadRequest> request;
    std::optional<ProductLoadRequest> askProductRequest(const NetConfig&) override {
        return request;
    }
};

TEST_F(MainWindowTest, ShopPicturesArriveAsRowsWhileTheWindowKeepsRunning) {
    std::string png;
    {
        std::ifstream in(picture("served.png"), std::ios::binary);
        png.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    test::HttpTestServer server([&](const test::ReceivedRequest& r) {
        return r.target == "/missing.png" ? test::statusReply("HTTP/1.1 404 Not Found")
                                          : test::okReply(png);
    });
    NetConfig config; // loader mode 1: pasted picture addresses are fetched directly
    ScriptedProductDialog dialog;
    dialog.request = ProductLoadRequest{0, server.url("/a.png") + ";" + server.url("/missing.png") +
                                               ";" + server.url("/b.png")};
    ScriptedView shopView;
    MainWindowServices withShop = services();
    withShop.productDialog = &dialog;
    withShop.netConfig = &config;
    MainWindow shop(shopView, withShop);
    shop.start();
    EXPECT_TRUE(shopView.enabled[Command::LoadProduct]);
    shop.dispatch(Command::LoadProduct);
    for (int i = 0; i < 1000 && shopView.waitCursorDepth != 0; ++i) {
        shopView.runPosted();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(shopView.rows.size(), 2u);
    EXPECT_EQ(shopView.status[0], "2 张图片");
    EXPECT_NE(infoView.text.find("missing.png"), std::string::npos);
}

TEST(DesktopLauncher, ExecArgumentsAreQuotedAndEscaped) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/opt/velomira/velomira", "\"/opt/velomira/velomira\""},
        {"/home/a b/视频/velomira", "\"/home/a b/视频/velomira\""},
        {"/x/100%/v", "\"/x/100%%/v\""},
        {"/x/\"q\"/$HOME/`v`\\", "\"/x/\\\"q\\\"/\\$HOME/\\`v\\`\\\\\""},
    };
    for (const auto& [argument, quoted] : cases)
        EXPECT_EQ(quoteExecArgument(argument), quoted);
    const std::string text = desktopLauncherText("/a\\b/velomira", "");
    EXPECT_NE(text.find("Exec=\"/a\\\\\\\\b/velomira\" %f\n"), std::string::npos);
    EXPECT_NE(text.find("MimeType=application/x-velomira-project;"), std::string::npos);
}

TEST(BadgeOffset, CornersAndTheInsetPositions) {
    const int box = 144, w = 30, h = 16;
    EXPECT_EQ(badgeOffset(0, box, w, h).x, badgeOffset(1, box, w, h).x);
    EXPECT_LT(badgeOffset(0, box, w, h).y, badgeOffset(1, box, w, h).y);
    EXPECT_EQ(badgeOffset(4, box, w, h).x, (box - w) / 2);
    EXPECT_EQ(badgeOffset(5, box, w, h).x, badgeOffset(0, box, w, h).x + 6);
    EXPECT_EQ(badgeOffset(7, box, w, h).x, badgeOffset(2, box, w, h).x - 6);
    for (int location = 0; location < 9; ++location) {
        const BadgeOffset o = badgeOffset(location, box, w, h);
        EXPECT_GE(o.x, 0);
        EXPECT_LE(o.x + w, box);
        EXPECT_LE(o.y + h, box);
    }
}

} // namespace
} // namespace velomira

namespace velomira {
namespace {

// Runs posted calls until the preview has ended and its last call has arrived.
void finishPreview(MainWindow& window, testing::ScriptedView& view) {
    while (window.previewState() == PreviewState::Running) {
        view.runPosted();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    window.waitForPreview();
    view.runPosted();
}

TEST_F(MainWindowTest, PreviewPlaysTheAlbumWithItsMusicAndAClickOnTheEndPlaysItAgain) {
    const std::string track = folder.file("music.mp3");
    ASSERT_EQ(
        std::system(("ffmpeg -loglevel error -f lavfi -i sine=duration=1 -ac 2 " + track).c_str()),
        0);
    addPictures(2);
    window().choiceChanged(Command::VideoSize, 2);
    window().choiceChanged(Command::DisplayTime, 0);
    dialogs.scriptFiles({track});
    window().dispatch(Command::MusicAdd);
    ASSERT_TRUE(view.enabled[Command::Preview]);

    window().dispatch(Command::Preview);
    EXPECT_EQ(previewWindow.opened, 1);
    EXPECT_FALSE(view.enabled[Command::Preview]);
    finishPreview(window(), view);
    EXPECT_EQ(window().previewState(), PreviewState::Finished);
    EXPECT_EQ(previewWindow.last, StockPicture::End);
    EXPECT_GT(previewWindow.frames, 0);
    EXPECT_EQ(sound.calls.front(), "open " + track);
    EXPECT_EQ(sound.calls.back(), "close");
    EXPECT_TRUE(view.enabled[Command::Preview]);
    EXPECT_TRUE(dialogs.messages().empty());

    // The click on the finished window starts again without the checks; closing leaves 0.
    window().previewClicked();
    EXPECT_EQ(previewWindow.opened, 2);
    window().previewClosed();
    EXPECT_EQ(window().previewState(), PreviewState::Stopped);
    finishPreview(window(), view);
    EXPECT_EQ(window().previewState(), PreviewState::Stopped);
    EXPECT_TRUE(view.enabled[Command::Preview]);
    EXPECT_EQ(sound.calls.back(), "close");
}

TEST_F(MainWindowTest, PreviewRefusesWithoutSizeOrWithAGoneTrackAndEndsCleanlyOnAGonePicture) {
    addPictures(2);
    window().dispatch(Command::Preview); // no size chosen yet
    EXPECT_EQ(previewWindow.opened, 0);
    EXPECT_EQ(window().previewState(), PreviewState::Stopped);

    window().choiceChanged(Command::VideoSize, 2);
    const std::string track = folder.file("gone.mp3");
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -f lavfi -i sine=duration=1 " + track).c_str()),
              0);
    dialogs.scriptFiles({track});
    window().dispatch(Command::MusicAdd);
    std::filesystem::remove(track);
    window().dispatch(Command::Preview);
    EXPECT_EQ(previewWindow.opened, 0);
    ASSERT_FALSE(dialogs.messages().empty());
    EXPECT_EQ(dialogs.messages().back().text, "背景音乐 [gone.mp3] 已不存在，请重新选择。");
    window().dispatch(Command::MusicRemove);

    // The second picture vanished: the preview shows what was rendered and ends.
    std::filesystem::remove(window().album().items[1].path);
    const std::size_t before = dialogs.messages().size();
    window().dispatch(Command::Preview);
    EXPECT_EQ(previewWindow.opened, 1);
    finishPreview(window(), view);
    EXPECT_EQ(window().previewState(), PreviewState::Finished);
    EXPECT_EQ(previewWindow.last, StockPicture::End);
    EXPECT_GT(dialogs.messages().size(), before) << "the reader reports the picture";
    EXPECT_EQ(window().album().items.size(), 2u);
}

TEST_F(MainWindowTest, ClosingTheMainWindowDuringAPreviewEndsBoth) {
    addPictures(3);
    window().choiceChanged(Command::VideoSize, 2);
    window().dispatch(Command::Preview);
    window().dispatch(Command::Preview); // a second click while it plays is ignored
    EXPECT_EQ(previewWindow.opened, 1);
    window_.reset();  // waits for the preview's threads
    view.runPosted(); // calls posted by the ended threads find the window gone
    SUCCEED();
}

// The output group's preset and size cap: the table beside the program (its broken row named in
// the information window), a preset setting the album's size and fill and the cap, the cap
// remembered, and a preset's longest length refusing a longer album before anything runs.
TEST_F(MainWindowTest, PresetsAndTheSizeCapShapeTheRunFromTheOutputGroup) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string previousConfig = savedConfig ? savedConfig : "";
    setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1); // no user table
    std::filesystem::create_directories(folders.programFolder);
    folder.writeFile("program/presets.tsv", "tall\t竖屏\t180x320\tblur\t3\t-\n"
                                            "broken row\n"
                                            "msg\t消息\t320x180\tfit\t-\t2M\n");
    addPictures(3);
    EXPECT_EQ(view.choices[Command::VideoPreset], (std::vector<std::string>{"无", "竖屏", "消息"}));
    EXPECT_EQ(view.choice[Command::VideoPreset], 0);
    EXPECT_NE(infoView.text.find("第 2 行无法使用"), std::string::npos) << infoView.text;
    EXPECT_EQ(view.choices[Command::VideoSizeCap].front(), "大小不限");
    EXPECT_EQ(view.choice[Command::VideoSizeCap], 0);

    const struct {
        Command control;
        int index;
        int width, height;
        FillMode fill;
        std::string cap; // the cap selection's entry afterwards
        std::uint32_t remembered;
    } steps[] = {
        {Command::VideoPreset, 1, 180, 320, FillMode::Blur, "大小不限", 0},
        {Command::VideoPreset, 2, 320, 180, FillMode::Fit, "≤ 2 MB", 2},
        {Command::VideoSizeCap, 0, 320, 180, FillMode::Fit, "大小不限", 0},
        {Command::VideoSizeCap, 3, 320, 180, FillMode::Fit, "≤ 16 MB", 16},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.cap);
        window().choiceChanged(step.control, step.index);
        EXPECT_EQ(window().album().settings.videoWidth, step.width);
        EXPECT_EQ(window().album().settings.videoHeight, step.height);
        EXPECT_EQ(window().album().settings.fillMode, step.fill);
        const auto& caps = view.choices[Command::VideoSizeCap];
        EXPECT_EQ(caps.at(static_cast<std::size_t>(view.choice[Command::VideoSizeCap])), step.cap);
        EXPECT_EQ(preferences.maxVideoMegabytes, step.remembered);
    }
    EXPECT_EQ(view.choices[Command::VideoSize].at(
                  static_cast<std::size_t>(view.choice[Command::VideoSize])),
              videoSizeChoiceLabels(window().album().settings)
                  .at(static_cast<std::size_t>(window().album().settings.videoSize)));

    // Three pictures take longer than the tall preset's 3 seconds.
    window().choiceChanged(Command::VideoPreset, 1);
    std::filesystem::create_directories(folders.programFolder / "tool");
    std::filesystem::create_symlink("/usr/bin/ffmpeg", folders.programFolder / "tool/ffmpeg");
    dialogs.scriptFiles({folder.file("long")});
    window().dispatch(Command::GenerateVideo);
    EXPECT_FALSE(window().generating());
    ASSERT_FALSE(dialogs.messages().empty());
    const std::string refusal = dialogs.messages().back().text;
    EXPECT_NE(refusal.find("竖屏"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("最长 3.0 秒"), std::string::npos) << refusal;
    EXPECT_FALSE(std::filesystem::exists(folder.file("long.mp4")));
    if (savedConfig)
        setenv("XDG_CONFIG_HOME", previousConfig.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace velomira

namespace velomira {
namespace {

// "视频预览" starts at the selected picture, "从头预览" at the first, F5 plays the selected
// picture alone: each shows the video's own frames from that picture's start frame on, and the
// music plays from the time the video has it there.
TEST_F(MainWindowTest, PreviewsStartAtTheirPictureWithTheVideosFrameAndMusicTime) {
    std::vector<std::string> paths, tracks;
    const char* colours[] = {"#ff0000", "#00ff00", "#0000ff"};
    for (int i = 0; i < 3; ++i)
        paths.push_back(picture("c" + std::to_string(i) + ".png", colours[i]));
    for (int i = 0; i < 2; ++i) {
        tracks.push_back(folder.file("t" + std::to_string(i) + ".mp3"));
        ASSERT_EQ(std::system(("ffmpeg -loglevel error -f lavfi -i sine=duration=1.5 -ac 2 " +
                               tracks.back())
                                  .c_str()),
                  0);
    }
    window().filesDropped(paths);
    window().choiceChanged(Command::VideoSize, 2);
    window().choiceChanged(Command::DisplayTime, 0);
    dialogs.scriptFiles(tracks);
    window().dispatch(Command::MusicAdd);
    const AlbumProject& album = window().album();
    ASSERT_EQ(album.musicItems.size(), 2u);
    std::atomic<bool> stop{false};
    const FolderRun frames = renderFramesToFolder(
        album, videoRunEnvironment(folders, &fonts, preferences.captionMargins),
        folder.file("frames"), stop, nullptr, nullptr);
    ASSERT_EQ(frames.outcome, RunOutcome::Completed);
    const auto frameFile = [&](long long number) {
        char name[32];
        std::snprintf(name, sizeof name, "/%06lld.jpg", number);
        return testing::readWholeFile(folder.file("frames") + name);
    };

    const struct {
        std::vector<int> selection;
        Command command;
        int first, last; // 1-based pictures the preview plays
    } cases[] = {
        {{}, Command::Preview, 1, 3},
        {{1}, Command::Preview, 2, 3},
        {{0, 2}, Command::Preview, 3, 3}, // the focused picture of the selection
        {{1}, Command::ContextPreviewFromStart, 1, 3},
        {{1}, Command::ContextPreviewTransition, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(commandNumber(c.command)) + " from " + std::to_string(c.first));
        select(c.selection, c.selection.empty() ? -1 : c.selection.back());
        previewWindow.frames = 0;
        sound.clearCalls();
        window().dispatch(c.command);
        finishPreview(window(), view);
        ASSERT_EQ(window().previewState(), PreviewState::Finished);
        const long long start = pictureStartFrame(album, c.first);
        const long long end = pictureStartFrame(album, c.last + 1);
        EXPECT_EQ(previewWindow.firstFrame, frameFile(start + 1));
        EXPECT_EQ(previewWindow.lastFrame, frameFile(end));

        // Where the music starts: the tracks before the one opened first, and its seek.
        ASSERT_FALSE(sound.calls.empty());
        const auto opened = std::find(tracks.begin(), tracks.end(), sound.calls[0].substr(5));
        ASSERT_NE(opened, tracks.end()) << sound.calls[0];
        double musicMs = 0;
        for (auto track = tracks.begin(); track != opened; ++track)
            musicMs += album.musicItems[track - tracks.begin()].durationMs;
        if (sound.calls.size() > 2 && sound.calls[2].starts_with("seek "))
            musicMs += std::stod(sound.calls[2].substr(5));
        EXPECT_NEAR(musicMs, start * 1000.0 / 25.0, 40.0);
    }
}

} // namespace
} // namespace velomira

namespace velomira {
namespace {

// With several pictures selected "生成视频" asks first: cancelled nothing runs, no makes the
// whole album, yes only the stretch from the first to the last selected picture.
TEST_F(MainWindowTest, GeneratingWithSeveralPicturesSelectedAsksWhetherToMakeOnlyThem) {
    std::filesystem::create_directories(folders.programFolder / "tool");
    std::filesystem::create_symlink("/usr/bin/ffmpeg", folders.programFolder / "tool/ffmpeg");
    addPictures(4);
    window().choiceChanged(Command::VideoSize, 2);
    window().choiceChanged(Command::DisplayTime, 0);
    const struct {
        std::vector<int> selection;
        std::optional<Answer> answer; // none: no question
        int first, last;              // the pictures made; 0: nothing runs
    } cases[] = {
        {{1}, std::nullopt, 1, 4},
        {{1, 2}, Answer::Cancel, 0, 0},
        {{0, 2}, Answer::No, 1, 4},
        {{3, 1}, Answer::Yes, 2, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selection.front());
        select(c.selection, c.selection.front());
        const std::size_t messages = dialogs.messages().size();
        view.progress.clear();
        if (c.answer)
            dialogs.scriptAnswer(*c.answer);
        const std::string video = folder.file("part" + std::to_string(c.first) + ".mp4");
        if (c.first != 0) {
            dialogs.scriptFiles({video});
            dialogs.scriptAnswer(Answer::No); // the question to play the video
        }
        window().dispatch(Command::GenerateVideo);
        for (int i = 0; i < 6000 && window().generating(); ++i) {
            view.runPosted();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_GT(dialogs.messages().size(), messages);
        const std::string question = dialogs.messages()[messages].text;
        EXPECT_EQ(question.starts_with("只生成选中的图片"), c.answer.has_value()) << question;
        if (c.first == 0) {
            EXPECT_FALSE(std::filesystem::exists(video));
            EXPECT_TRUE(view.progress.empty());
            continue;
        }
        ASSERT_FALSE(view.progress.empty());
        EXPECT_EQ(view.progress.front(), std::make_pair(1, c.last - c.first + 1));
        EXPECT_TRUE(std::filesystem::exists(video));
    }
}

} // namespace
} // namespace velomira
