#pragma once
// The main window's behaviour without a toolkit: it owns the album, runs every command through
// one dispatcher and tells the screen what to show through MainWindowView. Message boxes,
// questions and file dialogs go through platform/dialogs; the option dialogs through
// OptionDialogHost; reports about pictures into the information window (InfoLog).
#include "album/album_model.h"
#include "album/project_file.h"
#include "app/settings_store.h"
#include "app/startup.h"
#include "platform/registry.h"
#include "render/caption_fonts.h"
#include "ui/commands.h"
#include "ui/main_window_view.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velomira {

class InfoLog;
class OptionDialogHost;
class SoundPlayer;
class ProductDialogHost;
class PreviewWindowView;
class PreviewClock;
struct NetConfig;
struct ExternalOpenResult;

inline constexpr const char* kProductName = "Velomira";
inline constexpr double kProductVersion = 8.3;

// What the window reaches outside itself; everything is borrowed and outlives the window.
struct MainWindowServices {
    StartupFolders folders;
    const CaptionFontTable* fonts = nullptr;
    const RegistryFile* settingsFile = nullptr; // preferences are written here when changed
    Preferences* preferences = nullptr;
    OptionDialogHost* optionDialogs = nullptr;
    InfoLog* info = nullptr;
    // Listening to music; without one every track falls back to the desktop's player.
    SoundPlayer* sound = nullptr;
    // Opens a music file with the desktop's default player (listening's fall-back); without
    // one the view's openExternal is used.
    std::function<ExternalOpenResult(const std::string& path)> openMusicExternally;
    // "加载宝贝": the address dialog and the network settings; without them the command is off.
    ProductDialogHost* productDialog = nullptr;
    const NetConfig* netConfig = nullptr;
    // "视频预览": the preview window; without one the command is off. The clock is real time
    // unless given; processors decide the buffering (0: this machine's count).
    PreviewWindowView* previewWindow = nullptr;
    PreviewClock* previewClock = nullptr;
    unsigned processors = 0;
    std::string vendorHost;  // web pages ("官方网站", guide, font page); empty: none configured
    std::string programPath; // the desktop launcher starts this
    std::uint32_t randomSeed = 1;
};

// One entry of a menu as it should look when the menu opens.
struct MenuEntryState {
    Command command;
    bool enabled = true;
    bool checked = false;
};

class MainWindow {
  public:
    MainWindow(MainWindowView& view, MainWindowServices services);
    ~MainWindow(); // waits for a generation run still going
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Fills the controls (fonts, sizes, display times, colours, positions), selects display time
    // "2.0秒", sets the title and every enabling as at start.
    void start();

    // Toolbar buttons, menu entries, accelerators, tray menu.
    void dispatch(Command command);

    // Option controls changed by the user (the view never reports its own setChoice/setText).
    void choiceChanged(Command control, int index);
    void checkChanged(Command control, bool checked);
    void textEdited(Command control, const std::string& text);
    // The floating per-picture transition selection closed on this entry.
    void transitionChosen(const std::string& entry);

    // Picture list events.
    void selectionChanged(const std::vector<int>& rows, int focusedRow, bool listHasFocus);
    void pictureDoubleClicked(int row); // -1: on empty space
    void filesDropped(const std::vector<std::string>& paths);
    void selectAllPictures(); // Ctrl+A
    void deleteKey();         // Delete from the list, a button, a selection or the window
    void toggleInfoWindow();  // F2
    // Music list events.
    void musicLineDoubleClicked(int row);
    void musicDeleteKey(); // Delete on the music list

    // Window events.
    void closeRequested();  // the window's close button
    void trayIconClicked(); // left click on the tray icon restores the window
    void stopGeneration();  // the progress window's stop button
    // The preview window was closed (its close button or Escape), or clicked.
    void previewClosed();
    void previewClicked(); // starts a finished preview again
    // Opens a project given on the command line (no save question: nothing is open yet).
    bool openProjectAtStart(const std::string& path);

    // Menus, read each time one opens.
    std::vector<MenuEntryState> projectMenu() const;
    std::vector<MenuEntryState> settingsMenu() const;
    std::vector<MenuEntryState> contextMenu() const;
    // Entries of the per-picture transition selection: "无动画", the fades, the effects by
    // group, "--------------------" between groups.
    std::vector<std::string> transitionEditorEntries() const;
    // The "文字" badges shown now (also sent through setCaptionBadges).
    std::vector<CaptionBadge> captionBadges() const;

    const AlbumProject& album() const;
    const ProjectFileState& projectFile() const;
    std::vector<int> selectedRows() const;
    bool generating() const;
    // PreviewState: 0 stopped, 1 playing, 2 finished.
    int previewState() const;
    // Waits until a closed or finished preview's threads have ended (tests, shutdown).
    void waitForPreview();
    bool hiddenInTray() const;

    // The state behind the commands; defined in ui/main_window_state.h for the files that
    // carry them out.
    struct State;

  private:
    std::unique_ptr<State> state_;
};

// The window title: "Velomira(V8.3)" without a project file, "Velomira(V8.3) - name" with one.
std::string windowTitle(const ProjectFileState& file);

// Top-left corner of a badgeWidth x badgeHeight badge inside a boxSize thumbnail for a caption
// position 0..8: the edge corners 0..3, centred on the bottom edge for 4, the inset corners 5..8
// 6 pixels further inward than the edge ones.
struct BadgeOffset {
    int x = 0;
    int y = 0;
};
BadgeOffset badgeOffset(int location, int boxSize, int badgeWidth, int badgeHeight);

} // namespace velomira
