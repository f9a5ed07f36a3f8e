#pragma once
// "图片循环播放设置": the transition given to the first picture when the album loops.
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <optional>

namespace velomira {

// The transition list: closing it up on a separator line goes back to the first entry.
class LoopPlayList final : public QComboBox {
  public:
    using QComboBox::QComboBox;
    void hidePopup() override;
};

class LoopPlayDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit LoopPlayDialog(QWidget* owner);

    // Selects the row of the current transition; call before every showing.
    void prepare(int currentIndex);
    // The chosen transition index (99: none) after "确定", nothing otherwise.
    std::optional<int> chosenIndex() const { return chosen_; }

    QComboBox* list() const { return list_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  public slots:
    void accept() override;

  private:
    LoopPlayList* list_;
    QPushButton* ok_;
    QPushButton* cancel_;
    std::optional<int> chosen_;
};

} // namespace velomira
