#pragma once
// "自定义视频尺寸": two numeric boxes checked by checkCustomVideoSize on "确定".
#include "album/album_tables.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

namespace velomira {

class CustomSizeDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit CustomSizeDialog(QWidget* owner);

    // Empties both boxes and puts the focus in the width box; call before every showing.
    void prepare();
    // The checked size after "确定", nothing otherwise.
    std::optional<VideoSize> chosenSize() const { return chosen_; }

    QLineEdit* widthEdit() const { return width_; }
    QLineEdit* heightEdit() const { return height_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  public slots:
    void accept() override;

  private:
    QLineEdit* width_;
    QLineEdit* height_;
    QPushButton* ok_;
    QPushButton* cancel_;
    std::optional<VideoSize> chosen_;
};

} // namespace velomira
