#pragma once
// "信息 - F2": a tool window whose whole client area is a read-only text field, green on
// black. Closing it only hides it; the reports stay.
#include "ui/info_log.h"

#include <QPlainTextEdit>
#include <QWidget>

namespace velomira {

// Where a window of frameSize goes beside the owner's frame, inside the available area: to the
// right when it fits there, else to the left, else over the owner's side with more room, below
// its toolbar.
QPoint besideWindow(const QRect& owner, const QSize& frameSize, const QRect& available);

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
    void placeBesideOwner();

    QPlainTextEdit* text_;
    bool placed_ = false; // once the user has seen it, it stays where they left it
};

} // namespace velomira
