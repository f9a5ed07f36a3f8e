#pragma once
// The main window on Qt 6 Widgets: a thin view over velomira::MainWindow. It lays out the
// toolbar, the picture list, the five option groups and the status bar, shows what the
// controller tells it through MainWindowView and hands every user action back to it.
#include "app/window_position.h"
#include "render/caption_fonts.h"
#include "ui/main_window.h"
#include "ui/main_window_view.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <optional>
#include <string>

class QAction;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace velomira::qt {

// The picture list's height for a window of windowHeight (with a list of fullList) that must
// fit into availableHeight: fullList when it fits, else smaller by the excess, never below
// minimalList.
int fittedListHeight(int fullList, int minimalList, int windowHeight, int availableHeight);

// The row a dragged picture lands before, dropped at `at` over the cell `cell` of row `row`
// (-1: over no cell, which puts it at the end of `count` rows): the left half of a cell is
// before it, the right half after it.
int dropRowAt(const QRect& cell, int row, const QPoint& at, int count);

// Where a window's frame goes so that it lies inside the available area: where it is when it
// fits, else moved up or in just enough (to the top-left corner when it is larger).
QPoint fittedFramePosition(const QRect& frame, const QRect& available);

class BadgeDelegate;
class CaptionSampleWidget;
class GenerationProgressDialog;

class QtMainWindow final : public QMainWindow, public MainWindowView {
    Q_OBJECT
  public:
    // fonts maps the caption font names to their files for the sample; may be null.
    explicit QtMainWindow(const CaptionFontTable* fonts = nullptr);
    ~QtMainWindow() override;

    // The controller every user action goes to; set once, before the window is shown.
    void attach(MainWindow& controller);
    // What quit() does; the program ends the event loop, tests record the call.
    void setQuitHandler(std::function<void()> handler);
    // Where the frame was when the window was last closed: it goes there at start when the
    // frame still fits inside the screen's available area there. Set before the window is shown.
    void setRememberedPosition(std::optional<ScreenPoint> framePosition);
    // Where the frame is, or for a hidden window where it was when it was last shown.
    ScreenPoint framePosition() const;

    // Widgets by the command they send, for tests and screenshots (null for unknown ones).
    QWidget* control(Command command) const;
    QAction* toolbarAction(Command command) const;
    QListWidget* pictureList() const;
    QComboBox* transitionEditor() const;
    QLabel* statusPart(int part) const;
    QWidget* emptyHint() const;
    CaptionSampleWidget* captionSample() const { return sample_; }
    QSystemTrayIcon* trayIcon() const;
    // The menus as they are built when they open.
    QMenu* projectMenuWidget() const;
    QMenu* settingsMenuWidget() const;
    // Builds the context menu of the picture list for the current state (not shown).
    QMenu* buildContextMenu();
    bool windowContentsEnabled() const;

    // QWidget's own setEnabled(bool) and setVisible(bool) stay reachable beside the view's.
    using QMainWindow::setEnabled;
    using QMainWindow::setVisible;

    // MainWindowView
    void setTitle(const std::string& title) override;
    void setModifiedMark(bool modified) override;
    void setStatusText(int part, const std::string& text) override;
    void setWindowEnabled(bool enabled) override;
    void setWaitCursor(bool on) override;
    void pumpEvents() override;
    void setEnabled(Command control, bool enabled) override;
    void setChecked(Command control, bool checked) override;
    void setFieldText(Command control, const std::string& text) override;
    void setChoices(Command control, const std::vector<std::string>& entries) override;
    void setChoice(Command control, int index) override;
    void setVisible(Command control, bool visible) override;
    void focus(Command control) override;
    void setButtonText(Command control, const std::string& text) override;
    void setCaptionSample(const CaptionSample& sample) override;
    void insertPictureRow(int row, const PngBytes& icon, const std::string& text) override;
    void setPictureRowText(int row, const std::string& text) override;
    void setPictureRowIcon(int row, const PngBytes& icon) override;
    void removePictureRow(int row) override;
    void clearPictureRows() override;
    void setPictureSelection(const std::vector<int>& rows, int focusedRow) override;
    void scrollToPicture(int row) override;
    void setEmptyHintShown(bool shown) override;
    void showTransitionEditor(int row, const std::string& entry) override;
    void hideTransitionEditor() override;
    void setCaptionBadges(const std::vector<CaptionBadge>& badges) override;
    void setMotionMarks(const std::vector<int>& rows) override;
    bool trayAvailable() const override;
    void setTrayIconShown(bool shown) override;
    void setWindowShown(bool shown) override;
    void minimizeWindow() override;
    void raiseWindow() override;
    void quit() override;
    bool openExternal(const std::string& fileOrUrl) override;
    void showGenerationProgress(int picture, int total) override;
    void showBeatAnalysis(int percent) override;
    void showGenerationEncode(int encode, int most) override;
    void showGenerationShare(int percent, const std::string& timeLeft) override;
    void setGenerationStopping() override;
    void hideGenerationProgress() override;
    void postToWindowThread(std::function<void()> fn) override;
    void startRepeatingTimer(int intervalMs, std::function<void()> fn) override;

    // Sends the list's selection now when a change is still waiting to be reported.
    void flushSelectionReport();

    // Fits the window's height (title bar included) into availableHeight by letting the
    // picture list give up height, down to one row of pictures; everything else keeps its
    // size. The screen's available height is used when the window is shown.
    void fitToHeight(int availableHeight);

  protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    static constexpr int kWindowWidth = 1000;
    // Title bar and frame a window manager adds, until the real ones are known.
    static constexpr int kFrameAllowance = 32;
    static constexpr int kStatusPartEnds[3] = {130, 750, 885};
    static constexpr int kToolButtonWidth = 62;
    static constexpr int kEditorWidth = 144;
    // Grid of the picture list: the thumbnail, the transition name under it and some air.
    static constexpr int kCellWidth = 160;
    static constexpr int kCellHeight = 176;

    // main_window_layout.cpp
    QWidget* buildToolbar();
    QWidget* buildPictureList();
    QWidget* buildCaptionGroup();
    QWidget* buildLogoGroup();
    QWidget* buildMusicGroup();
    QWidget* buildCoverGroup();
    QWidget* buildOutputGroup();
    void buildStatusBar();
    void alignStatusParts();
    void buildTray();
    void buildShortcuts();
    void applyTabOrder();
    void fillProjectMenu();
    void fillRecentProjects(QMenu* menu);
    void fillSettingsMenu();

    // The controller after any pending selection report went out.
    MainWindow& controller();
    void scheduleSelectionReport();
    void reportSelection();
    void placeTransitionEditor();
    void placeEmptyHint();
    // Moves the window, frame included, to its remembered place when it fits there, else into
    // the screen's available area.
    void keepOnScreen();
    ScreenPoint framePositionNow() const;
    bool handleWindowKey(QObject* watched, QKeyEvent* key);
    // Drags over and drops on the picture list: its own pictures, or files.
    bool handleListDrag(QEvent* event);

    template <class Widget> Widget* controlAs(Command command) const;
    void registerControl(Command command, QWidget* widget);
    void addLimitRows(QGridLayout* grid, QWidget* group, QComboBox* fill);

    MainWindow* controller_ = nullptr;
    const CaptionFontTable* fonts_ = nullptr;
    std::function<void()> quitHandler_;

    std::map<Command, QAction*> actions_;
    std::map<Command, QWidget*> controls_;
    QMenu* projectMenu_ = nullptr;
    QMenu* settingsMenu_ = nullptr;
    QListWidget* pictures_ = nullptr;
    BadgeDelegate* badges_ = nullptr;
    QComboBox* editor_ = nullptr;
    int editorRow_ = -1;
    QLabel* emptyHint_ = nullptr;
    CaptionSampleWidget* sample_ = nullptr;
    QWidget* statusParts_ = nullptr;
    QLabel* status_[4] = {};
    QSystemTrayIcon* tray_ = nullptr;
    GenerationProgressDialog* progress_ = nullptr;
    QWidget* contents_ = nullptr;
    QWidget* toolbar_ = nullptr;
    std::vector<QObject*> shortcuts_;

    bool selectionReportPending_ = false;
    int ignoreSelection_ = 0; // above 0 while the controller's own selection is being shown
    // Where the window was when it went to the tray: a window manager places a window shown
    // again as if it were new.
    QByteArray trayGeometry_;
    int waitCursors_ = 0;
    // Until the window was first activated, the window manager may still place it anywhere.
    bool placingAtStart_ = true;
    std::optional<ScreenPoint> remembered_;
    std::optional<ScreenPoint> shownFrame_; // the frame's place when the window was last hidden
    std::string title_;
    bool modifiedMark_ = false;
    bool contentsEnabled_ = true;
};

} // namespace velomira::qt
