#include "ui/qt/focus_dialog.h"

#include "platform/translation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTransform>
#include <QVBoxLayout>

#include <algorithm>

namespace velomira {

namespace {

// The picture is shown within this box, so the dialog fits a 1366 x 768 screen.
constexpr int kShownWidth = 560;
constexpr int kShownHeight = 400;

QRectF rectOf(const FocalRegion& region) {
    return {region.x, region.y, region.width, region.height};
}

FocalRegion regionOf(const QRectF& rect) {
    return clampedFocalRegion({rect.x(), rect.y(), rect.width(), rect.height(), true});
}

} // namespace

FocusPicture::FocusPicture(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    setMinimumSize(kShownWidth / 2, kShownHeight / 2);
}

QSize FocusPicture::sizeHint() const {
    return {kShownWidth, kShownHeight};
}

void FocusPicture::show(QImage picture, std::optional<QRectF> region) {
    picture_ = std::move(picture);
    region_ = region;
    update();
}

QRectF FocusPicture::pictureArea() const {
    if (picture_.isNull())
        return QRectF(rect());
    const QSizeF fitted = QSizeF(picture_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return {(width() - fitted.width()) / 2, (height() - fitted.height()) / 2, fitted.width(),
            fitted.height()};
}

QPointF FocusPicture::shareAt(const QPointF& at) const {
    const QRectF area = pictureArea();
    return {std::clamp((at.x() - area.x()) / area.width(), 0.0, 1.0),
            std::clamp((at.y() - area.y()) / area.height(), 0.0, 1.0)};
}

void FocusPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRectF area = pictureArea();
    if (!picture_.isNull())
        painter.drawImage(area, picture_);
    if (!region_)
        return;
    const QRectF frame(area.x() + region_->x() * area.width(),
                       area.y() + region_->y() * area.height(), region_->width() * area.width(),
                       region_->height() * area.height());
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::yellow, 1));
    painter.drawRect(frame);
}

void FocusPicture::mousePressEvent(QMouseEvent* event) {
    dragStart_ = shareAt(event->position());
}

void FocusPicture::mouseMoveEvent(QMouseEvent* event) {
    const QRectF dragged = QRectF(dragStart_, shareAt(event->position())).normalized();
    if (dragged.width() > 0.0 && dragged.height() > 0.0) {
        region_ = dragged;
        update();
    }
}

FocusDialog::FocusDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QString::fromUtf8(tr_("设置焦点")));
    picture_ = new FocusPicture(this);
    automatic_ = new QPushButton(QString::fromUtf8(tr_("自动")), this);
    ok_ = new QPushButton(QStringLiteral("确定"), this);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    ok_->setDefault(true);
    connect(automatic_, &QPushButton::clicked, this, [this] {
        answer_ = Answer{};
        QDialog::accept();
    });
    connect(ok_, &QPushButton::clicked, this, [this] {
        answer_ = Answer{};
        if (const auto shown = picture_->region())
            answer_->region = turnedFocalRegion(regionOf(*shown), 360 - turnAngle_);
        QDialog::accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(automatic_);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QString::fromUtf8(tr_("在图片上拖出一个框，视频的裁剪和镜头运动将跟随框内的部分。")),
        this));
    layout->addWidget(picture_, 1);
    layout->addLayout(buttons);
}

void FocusDialog::prepare(const std::string& picturePath, int turnAngle,
                          const std::optional<FocalRegion>& shown) {
    answer_.reset();
    turnAngle_ = turnAngle;
    QImage image(QString::fromStdString(picturePath));
    if (!image.isNull() && turnAngle % 360 != 0)
        image = image.transformed(QTransform().rotate(turnAngle));
    if (!image.isNull())
        image = image.scaled(kShownWidth * 2, kShownHeight * 2, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    std::optional<QRectF> region;
    if (shown)
        region = rectOf(turnedFocalRegion(*shown, turnAngle));
    picture_->show(std::move(image), region);
}

} // namespace velomira
