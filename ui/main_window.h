#pragma once
// The main window's behaviour without a toolkit. It owns the album and the
// feature controllers (picture list, music, option controls, project file,
// generation, preview, shop loading), routes every command through one table to
// the controller that carries it out, and is the only place that knows all of
// them. The screen is reached through MainWindowView; message boxes, questions
// and file dialogs through platform/dialogs; the option dialogs through
// OptionDialogHost; reports about pictures go into the information window
// (InfoLog).
#include "services/project_open.h"
#include "ui/command_table.h"
#include "ui/commands.h"
#include "ui/focus_controller.h"
#include "ui/generation_controller.h"
#include "ui/main_window_view.h"
#include "ui/music_controller.h"
#include "ui/options_controller.h"
#include "ui/output_limits_controller.h"
#include "ui/picture_list_controller.h"
#include "ui/preview_controller.h"
#include "ui/product_load_controller.h"
#include "ui/project_controller.h"
#include "ui/recovery_controller.h"
#include "ui/window_services.h"
#include "ui/window_title.h"

#include <string>
#include <vector>

namespace velomira {

class MainWindow {
  public:
    MainWindow(MainWindowView& view, MainWindowServices services);
    ~MainWindow(); // waits for a generation run still going
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Fills the controls (fonts, sizes, display times, colours, positions),
    // selects display time "2.0秒", sets the title and every enabling as at
    // start.
    void start();

    // Toolbar buttons, menu entries, accelerators, tray menu.
    void dispatch(Command command);

    // Option controls changed by the user (the view never reports its own
    // setChoice/setText).
    void choiceChanged(Command control, int index);
    void checkChanged(Command control, bool checked);
    void textEdited(Command control, const std::string& text);
    // The floating per-picture transition selection closed on this entry.
    void transitionChosen(const std::string& entry);

    // Picture list events.
    void selectionChanged(const std::vector<int>& rows, int focusedRow, bool listHasFocus);
    void pictureDoubleClicked(int row); // -1: on empty space
    void filesDropped(const std::vector<std::string>& paths);
    // The selected pictures dragged inside the list and dropped before row `before`.
    void picturesDragged(int before);
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
    // Opens a project given on the command line (no save question: nothing is
    // open yet).
    bool openProjectAtStart(const std::string& path);
    // Offers the recovery copies of ended copies of the program, newest first; true when one
    // was opened.
    bool offerRecoveryAtStart();
    // Waits until the recovery copy in hand is written (tests).
    void waitForRecoveryCopy() { recovery_.wait(); }
    // The files the program was started with (a launcher passes several): pictures are added
    // as if dropped on the window, the first other file is opened as a project.
    void openFilesAtStart(const std::vector<std::string>& paths);

    // Menus, read each time one opens.
    std::vector<MenuEntryState> projectMenu() const;
    // "我的项目" in the project menu, and a click on its entry index.
    std::vector<ProjectController::RecentProject> recentProjects() const {
        return project_.recentProjects();
    }
    void openRecentProject(std::size_t index);
    std::vector<MenuEntryState> settingsMenu() const;
    std::vector<MenuEntryState> contextMenu() const;
    // Entries of the per-picture transition selection: "无动画", the fades, the
    // effects by group, "--------------------" between groups.
    std::vector<std::string> transitionEditorEntries() const;
    // The "文字" badges shown now (also sent through setCaptionBadges).
    std::vector<CaptionBadge> captionBadges() const { return captionBadgesOf(album_); }

    const AlbumProject& album() const { return album_; }
    const ProjectFileState& projectFile() const { return project_.file(); }
    std::vector<int> selectedRows() const { return pictures_.selection(); }
    bool generating() const { return generation_.running(); }
    PreviewState previewState() const { return preview_.state(); }
    // Waits until a closed or finished preview's threads have ended (tests,
    // shutdown).
    void waitForPreview() { preview_.wait(); }
    // Waits for the focal regions being found now (their results are posted to the window).
    void waitForFocusSearch() { focus_.wait(); }
    bool hiddenInTray() const { return hiddenInTray_; }

  private:
    void registerWindowCommands();
    void exitFlow();
    void restoreFromTray();
    void createDesktopShortcut();
    void aboutBox();
    void previewTransitionPage();
    // Says once, when it starts, that a caption shares the logo's corner.
    void warnCaptionUnderLogo();
    // After anything that may have changed the album: the title's unsaved-changes mark.
    void afterUserChange();

    MainWindowView& view_;
    Preferences ownPreferences_; // used when the window is given no settings store
    MainWindowServices services_;
    std::vector<std::string> fontNames_;
    AlbumProject album_;
    TransitionRandom random_;
    CommandTable commands_;
    bool hiddenInTray_ = false;
    bool captionUnderLogoWarned_ = false;
    // Destroyed in reverse: the shop download is abandoned, then the preview's
    // threads end, then a generation run is stopped and waited for.
    PictureListController pictures_;
    MusicController music_;
    GenerationController generation_;
    PreviewController preview_;
    ProductLoadController product_;
    OptionsController options_;
    RecoveryController recovery_;
    ProjectController project_;
    OutputLimitsController limits_;
    FocusController focus_; // last: its search stops first
};

} // namespace velomira
