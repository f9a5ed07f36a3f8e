#pragma once
// What the main window's behaviour asks of the screen. The Qt window implements it; tests use
// a scripted view that records every call. Controls are named by the command number they send
// (ui/commands.h); the toolbar buttons and their menu twins are named by their toolbar command.
#include "ui/commands.h"

#include <functional>
#include <string>
#include <vector>

namespace velomira {

// Bytes of a PNG picture (list thumbnails).
using PngBytes = std::vector<unsigned char>;

// One "文字" badge over a thumbnail: the row it belongs to and the caption position (0..8) that
// decides its corner; badgeOffset() turns that into pixels inside the thumbnail.
struct CaptionBadge {
    int row = 0;
    int location = 4;
};

// The caption sample "文字示例": font, colours as 0x00BBGGRR, and whether captions are on
// (off: the text sits on white).
struct CaptionSample {
    std::string fontName;
    unsigned boxColor = 0;
    unsigned textColor = 0xFFFFFF;
    bool captionsOn = false;
};

class MainWindowView {
  public:
    virtual ~MainWindowView() = default;

    // Window
    virtual void setTitle(const std::string& title) = 0;
    // The title's "*" while the project has unsaved changes (the title text stays as set).
    virtual void setModifiedMark(bool modified) = 0;
    // Status bar parts 0..3: picture count, messages, audio length, video length.
    virtual void setStatusText(int part, const std::string& text) = 0;
    virtual void setWindowEnabled(bool enabled) = 0;
    virtual void setWaitCursor(bool on) = 0;
    // Lets the window repaint and take input between the files of a long batch.
    virtual void pumpEvents() = 0;

    // Controls by command number: toolbar buttons, option controls, the "生成视频" button.
    virtual void setEnabled(Command control, bool enabled) = 0;
    virtual void setChecked(Command control, bool checked) = 0;
    // Text fields: CaptionText, LogoPath, CoverPath, DisplayTimeText. Setting a text never
    // comes back as an edit.
    virtual void setFieldText(Command control, const std::string& text) = 0;
    // Selections: CaptionPosition, CaptionFont, CaptionSize, CaptionColour, LogoPosition,
    // VideoSize, DisplayTime. setChoices replaces the entries; setChoice selects one (-1 shows
    // none) without coming back as a change.
    virtual void setChoices(Command control, const std::vector<std::string>& entries) = 0;
    virtual void setChoice(Command control, int index) = 0;
    // DisplayTime and DisplayTimeText take turns in one place.
    virtual void setVisible(Command control, bool visible) = 0;
    virtual void focus(Command control) = 0;
    // The label of a button ("试听" / "停止").
    virtual void setButtonText(Command control, const std::string& text) = 0;
    virtual void setCaptionSample(const CaptionSample& sample) = 0;

    // Picture list: row i shows picture i.
    virtual void insertPictureRow(int row, const PngBytes& icon, const std::string& text) = 0;
    virtual void setPictureRowText(int row, const std::string& text) = 0;
    virtual void setPictureRowIcon(int row, const PngBytes& icon) = 0;
    virtual void removePictureRow(int row) = 0;
    virtual void clearPictureRows() = 0;
    // Selects exactly these rows and puts the focus on focusedRow (-1: keep none), without
    // coming back as a selection change.
    virtual void setPictureSelection(const std::vector<int>& rows, int focusedRow) = 0;
    virtual void scrollToPicture(int row) = 0;
    virtual void setEmptyHintShown(bool shown) = 0;
    // The floating per-picture transition selection over a row, showing that entry.
    virtual void showTransitionEditor(int row, const std::string& entry) = 0;
    virtual void hideTransitionEditor() = 0;
    // The badges to show now; every other badge is hidden.
    virtual void setCaptionBadges(const std::vector<CaptionBadge>& badges) = 0;
    // The rows whose thumbnails carry the camera motion mark.
    virtual void setMotionMarks(const std::vector<int>& rows) = 0;

    // Window states: hidden into the tray, shown, minimised, brought to the front.
    virtual bool trayAvailable() const = 0;
    virtual void setTrayIconShown(bool shown) = 0;
    virtual void setWindowShown(bool shown) = 0;
    virtual void minimizeWindow() = 0;
    virtual void raiseWindow() = 0;
    // Ends the program after the exit flow.
    virtual void quit() = 0;

    // Opens a file or web address with the desktop's default program; false when that failed.
    virtual bool openExternal(const std::string& fileOrUrl) = 0;

    // Generation progress: shown with "共 %d 张图片，正在处理第 %d 张。" and a stop button that
    // sends MainWindow::stopGeneration(); hidden when the run ended.
    virtual void showGenerationProgress(int picture, int total) = 0;
    // Under a size cap: encode n of at most `most` runs (the progress window says which).
    virtual void showGenerationEncode(int encode, int most) {
        (void)encode;
        (void)most;
    }
    // Before a run whose pictures change on the beat: the music's beats being found, with the
    // same stop button.
    virtual void showBeatAnalysis(int percent) { (void)percent; }
    // The share of the frames the encoder has taken (0..100) and "剩余约 ..." (empty while there
    // is no estimate yet).
    virtual void showGenerationShare(int percent, const std::string& timeLeft) {
        (void)percent;
        (void)timeLeft;
    }
    virtual void setGenerationStopping() = 0; // "停止中...", button disabled
    virtual void hideGenerationProgress() = 0;

    // Runs fn on the window's thread later (workers never touch the window themselves).
    virtual void postToWindowThread(std::function<void()> fn) = 0;
    // Calls fn on the window's thread every intervalMs until the window is gone.
    virtual void startRepeatingTimer(int intervalMs, std::function<void()> fn) = 0;
};

} // namespace velomira
