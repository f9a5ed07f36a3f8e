#pragma once
// The information window ("信息 - F2"): reports about pictures that could not be added and
// other per-item problems collect here, one after another, and are never removed.
#include <string>

namespace velomira {

class InfoView {
  public:
    virtual ~InfoView() = default;
    virtual void appendText(const std::string& text) = 0; // at the end, caret moved there
    virtual void scrollToEnd() = 0;
    virtual bool isShown() const = 0;
    virtual void setShown(bool shown) = 0;
};

class InfoLog {
  public:
    explicit InfoLog(InfoView& view) : view_(view) {}

    // The report (control characters and invalid bytes as "?"), then "\r\n\r\n", scrolled to
    // the bottom; shows the window when hidden.
    void append(const std::string& report);
    // F2: shows the window when hidden, hides it when shown.
    void toggle();

  private:
    InfoView& view_;
};

} // namespace velomira
