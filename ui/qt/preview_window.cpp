#include "ui/qt/preview_window.h"

#include "ui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>

// Resources of a static library are registered by hand: nothing else pulls their object in.
static void registerPreviewResources() {
    Q_INIT_RESOURCE(preview);
}

namespace velomira::qt {

namespace {
constexpr int kMargin = 8;

QImage stockPicture(const char* name) {
    registerPreviewResources();
    return QImage(QString::fromLatin1(name));
}
} // namespace

QRect previewPictureRect(QSize client, QSize picture) {
    const int aw = client.width() - 2 * kMargin;
    const int ah = client.height() - 2 * kMargin;
    int w = picture.width();
    int h = picture.height();
    if (aw <= 0 || ah <= 0 || w <= 0 || h <= 0)
        return {};
    if (w > aw || h > ah) {
        const float scale = std::min(static_cast<float>(aw) / static_cast<float>(w),
                                     static_cast<float>(ah) / static_cast<float>(h));
        w = static_cast<int>(std::floor(static_cast<float>(w) * scale + 0.5f));
        h = static_cast<int>(std::floor(static_cast<float>(h) * scale + 0.5f));
    }
    return {(aw - w) / 2 + kMargin, (ah - h) / 2 + kMargin, w, h};
}

QtPreviewWindow::QtPreviewWindow(QWidget* owner)
    : QWidget(owner, Qt::Window), blank_(stockPicture(":/preview/blank.gif")),
      waiting_(stockPicture(":/preview/waiting.gif")), end_(stockPicture(":/preview/end.gif")) {
    setWindowTitle(QString::fromUtf8(kPreviewTitle));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QScreen* screen = owner != nullptr && owner->screen() != nullptr
                                ? owner->screen()
                                : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect full = screen->geometry();
        resize(static_cast<int>(full.width() * 0.85), static_cast<int>(full.height() * 0.85));
        move(full.center() - rect().center());
    }
    picture_ = waiting_;
}

void QtPreviewWindow::openPreview() {
    setPicture(waiting_, false);
    showMaximized();
    raise();
    activateWindow();
    setFocus();
}

void QtPreviewWindow::showFrame(const unsigned char* bytes, std::size_t length) {
    QImage frame;
    frame.loadFromData(bytes, static_cast<int>(length), "JPEG");
    // A frame that does not decode leaves the previous one on screen.
    if (!frame.isNull())
        setPicture(std::move(frame), false);
}

void QtPreviewWindow::showStockPicture(StockPicture picture) {
    switch (picture) {
    case StockPicture::Blank:
        return setPicture(blank_, false);
    case StockPicture::Waiting:
        return setPicture(waiting_, false);
    case StockPicture::End:
        return setPicture(end_, true);
    }
}

void QtPreviewWindow::setPicture(QImage picture, bool end) {
    {
        std::lock_guard lock(mutex_);
        picture_ = std::move(picture);
        endShown_ = end;
    }
    // Frames come faster than a busy window may paint: one repaint request at a time.
    if (!repaintPending_.exchange(true))
        QMetaObject::invokeMethod(
            this,
            [this] {
                repaintPending_ = false;
                update();
            },
            Qt::QueuedConnection);
}

QImage QtPreviewWindow::currentPicture() const {
    std::lock_guard lock(mutex_);
    return picture_;
}

bool QtPreviewWindow::endShown() const {
    std::lock_guard lock(mutex_);
    return endShown_;
}

void QtPreviewWindow::paintEvent(QPaintEvent*) {
    QImage picture;
    bool end = false;
    {
        std::lock_guard lock(mutex_);
        picture = picture_; // shared, not copied
        end = endShown_;
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect target = previewPictureRect(size(), picture.size());
    if (target.isEmpty())
        return;
    if (!end) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(target.adjusted(-1, -1, 0, 0));
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != picture.size());
    painter.drawImage(target, picture);
}

void QtPreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void QtPreviewWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && controller_ != nullptr)
        controller_->previewClicked();
    QWidget::mousePressEvent(event);
}

void QtPreviewWindow::closeEvent(QCloseEvent* event) {
    if (controller_ != nullptr)
        controller_->previewClosed();
    event->accept(); // hidden, kept for the next preview
}

} // namespace velomira::qt
