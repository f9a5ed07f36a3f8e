#pragma once
// "信息 - F2": a tool window whose whole client area is a read-only text field, green on
// black. Closing it only hides it; the reports stay.
#include "ui/info_log.h"

#include <QPlainTextEdit>
#include <QWidget>

namespace velomira {

class InfoWindow final : public QWidget, public InfoView {
    Q_OBJECT
  public:
    explicit InfoWindow(QWidget* owner);

    void appendText(const std::string& text) override;
    void scrollToEnd() override;
    bool isShown() const override;
    void setShown(bool shown) override;

    QPlainTextEdit* textField() const { return text_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QPlainTextEdit* text_;
};

} // namespace velomira
