#pragma once
// "【加文字】边距设置": the five caption margins as percentages, checked by
// checkCaptionMargins on "确定".
#include "app/caption_margins.h"
#include "ui/option_forms.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <optional>

namespace velomira {

class MarginsDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit MarginsDialog(QWidget* owner);

    // Shows the current margins; call before every showing.
    void prepare(const CaptionMargins& current);
    // The accepted margins after "确定", nothing otherwise.
    std::optional<CaptionMargins> chosenMargins() const { return chosen_; }

    QLineEdit* edit(MarginField field) const { return edits_[static_cast<size_t>(field)]; }
    QPushButton* defaultsButton() const { return defaults_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  public slots:
    void accept() override;

  private:
    void showTexts(const MarginTexts& texts);

    std::array<QLineEdit*, kMarginFieldCount> edits_{};
    QPushButton* defaults_;
    QPushButton* ok_;
    QPushButton* cancel_;
    std::optional<CaptionMargins> chosen_;
};

} // namespace velomira
