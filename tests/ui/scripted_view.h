#pragma once
// A main window view without a screen: it keeps what the window would show so tests can read
// it back, and runs posted calls when the test pumps them.
#include "ui/info_log.h"
#include "ui/main_window_view.h"
#include "ui/option_dialogs.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velomira::testing {

struct ScriptedRow {
    PngBytes icon;
    std::string text;
};

class ScriptedView final : public MainWindowView {
  public:
    std::string title;
    bool modifiedMark = false;
    std::string status[4];
    bool windowEnabled = true;
    bool windowShown = true;
    bool minimized = false;
    bool trayShown = false;
    bool trayPresent = true;
    bool quitCalled = false;
    bool emptyHint = false;
    int waitCursorDepth = 0;
    std::map<Command, bool> enabled, checked, visible;
    std::map<Command, std::string> fields, buttonTexts;
    std::map<Command, std::vector<std::string>> choices;
    std::map<Command, int> choice;
    std::vector<ScriptedRow> rows;
    std::vector<int> selection;
    int focusedRow = -1;
    int editorRow = -1;
    std::string editorEntry;
    std::vector<CaptionBadge> badges;
    std::vector<int> motionMarks;
    CaptionSample sample;
    std::vector<std::string> opened;
    bool openSucceeds = true;
    std::vector<std::pair<int, int>> progress;
    bool progressShown = false;
    bool stopping = false;
    std::vector<std::string> statusHistory; // part 1, in order
    std::vector<Command> focusRequests;

    void setTitle(const std::string& t) override { title = t; }
    void setModifiedMark(bool on) override { modifiedMark = on; }
    void setStatusText(int part, const std::string& text) override {
        status[part] = text;
        if (part == 1)
            statusHistory.push_back(text);
    }
    void setWindowEnabled(bool e) override { windowEnabled = e; }
    void setWaitCursor(bool on) override { waitCursorDepth += on ? 1 : -1; }
    void pumpEvents() override {}
    void setEnabled(Command c, bool e) override { enabled[c] = e; }
    void setChecked(Command c, bool on) override { checked[c] = on; }
    void setFieldText(Command c, const std::string& text) override { fields[c] = text; }
    void setChoices(Command c, const std::vector<std::string>& entries) override {
        choices[c] = entries;
    }
    void setChoice(Command c, int index) override { choice[c] = index; }
    void setVisible(Command c, bool v) override { visible[c] = v; }
    void focus(Command c) override { focusRequests.push_back(c); }
    void setButtonText(Command c, const std::string& text) override { buttonTexts[c] = text; }
    void setCaptionSample(const CaptionSample& s) override { sample = s; }
    void insertPictureRow(int row, const PngBytes& icon, const std::string& text) override {
        rows.insert(rows.begin() + row, {icon, text});
    }
    void setPictureRowText(int row, const std::string& text) override { rows.at(row).text = text; }
    void setPictureRowIcon(int row, const PngBytes& icon) override { rows.at(row).icon = icon; }
    void removePictureRow(int row) override { rows.erase(rows.begin() + row); }
    void clearPictureRows() override { rows.clear(); }
    void setPictureSelection(const std::vector<int>& r, int focused) override {
        selection = r;
        focusedRow = focused;
    }
    void scrollToPicture(int) override {}
    void setEmptyHintShown(bool shown) override { emptyHint = shown; }
    void showTransitionEditor(int row, const std::string& entry) override {
        editorRow = row;
        editorEntry = entry;
    }
    void hideTransitionEditor() override { editorRow = -1; }
    void setCaptionBadges(const std::vector<CaptionBadge>& b) override { badges = b; }
    void setMotionMarks(const std::vector<int>& rows) override { motionMarks = rows; }
    bool trayAvailable() const override { return trayPresent; }
    void setTrayIconShown(bool shown) override { trayShown = shown; }
    void setWindowShown(bool shown) override { windowShown = shown; }
    void minimizeWindow() override { minimized = true; }
    void raiseWindow() override {}
    void quit() override { quitCalled = true; }
    bool openExternal(const std::string& target) override {
        opened.push_back(target);
        return openSucceeds;
    }
    void showGenerationProgress(int picture, int total) override {
        progressShown = true;
        progress.emplace_back(picture, total);
    }
    void setGenerationStopping() override { stopping = true; }
    void hideGenerationProgress() override { progressShown = false; }
    void postToWindowThread(std::function<void()> fn) override {
        std::lock_guard<std::mutex> hold(lock_);
        posted_.push_back(std::move(fn));
    }
    void startRepeatingTimer(int intervalMs, std::function<void()> fn) override {
        timers.emplace_back(intervalMs, std::move(fn));
    }
    // Fires every timer once, as if its interval had passed.
    void fireTimers() {
        for (auto& timer : timers)
            timer.second();
    }
    std::vector<std::pair<int, std::function<void()>>> timers;
    // Runs the calls posted so far; true when there were any.
    bool runPosted() {
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard<std::mutex> hold(lock_);
            calls.swap(posted_);
        }
        for (auto& call : calls)
            call();
        return !calls.empty();
    }

  private:
    std::mutex lock_;
    std::deque<std::function<void()>> posted_;
};

class ScriptedInfoView final : public InfoView {
  public:
    std::string text;
    bool shown = false;
    int timesShown = 0;
    void appendText(const std::string& t) override { text += t; }
    void scrollToEnd() override {}
    bool isShown() const override { return shown; }
    void setShown(bool s) override {
        if (s && !shown)
            ++timesShown;
        shown = s;
    }
};

class ScriptedOptionDialogs final : public OptionDialogHost {
  public:
    std::optional<VideoSize> customSize;
    std::optional<int> loopPlay;
    std::optional<CaptionMargins> margins;
    std::optional<VideoSize> askCustomVideoSize() override { return customSize; }
    std::optional<int> askLoopPlayTransition(int) override { return loopPlay; }
    std::optional<CaptionMargins> askCaptionMargins(const CaptionMargins&) override {
        return margins;
    }
    std::optional<std::string> pictureTime;
    std::string pictureTimeShown; // what the dialog started from
    std::optional<std::string> askPictureTime(const std::string& current) override {
        pictureTimeShown = current;
        return pictureTime;
    }
    std::optional<FocusAnswer> focus;
    std::optional<FocalRegion> focusShown; // what the last "设置焦点" showed
    std::optional<FocusAnswer> askFocalRegion(const std::string&, int,
                                              const std::optional<FocalRegion>& shown) override {
        focusShown = shown;
        return focus;
    }
};

} // namespace velomira::testing
