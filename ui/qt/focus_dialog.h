#pragma once
// "设置焦点": the picture as the video shows it, with the region framing follows drawn on it.
// Dragging over the picture draws a new region; "自动" gives the picture back to the finder.
#include "album/focal_region.h"

#include <QDialog>
#include <QImage>
#include <QPushButton>
#include <QRectF>
#include <optional>
#include <string>

namespace velomira {

class FocusPicture;

class FocusDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit FocusDialog(QWidget* owner);

    // Shows the picture turned by turnAngle and the region (shares of the unturned picture).
    void prepare(const std::string& picturePath, int turnAngle,
                 const std::optional<FocalRegion>& shown);
    // After "确定": the region drawn (or the one shown); after "自动": nothing inside.
    struct Answer {
        std::optional<FocalRegion> region;
    };
    std::optional<Answer> answer() const { return answer_; }

    FocusPicture* picture() const { return picture_; }
    QPushButton* automaticButton() const { return automatic_; }
    QPushButton* okButton() const { return ok_; }

  private:
    FocusPicture* picture_;
    QPushButton* automatic_;
    QPushButton* ok_;
    QPushButton* cancel_;
    int turnAngle_ = 0;
    std::optional<Answer> answer_;
};

// The picture with its region; a drag draws the region (in shares of what is shown).
class FocusPicture final : public QWidget {
    Q_OBJECT
  public:
    explicit FocusPicture(QWidget* parent);
    void show(QImage picture, std::optional<QRectF> region);
    std::optional<QRectF> region() const { return region_; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QRectF pictureArea() const;
    QPointF shareAt(const QPointF& at) const;

    QImage picture_;
    std::optional<QRectF> region_;
    QPointF dragStart_;
};

} // namespace velomira
