#pragma once
// The preview window: shows the frame the display thread decoded, scaled to fit and centred
// with a one-pixel frame (none around the end picture), over the main window, which it blocks
// while open. Escape or the close button closes it; a click on the finished preview starts it
// again. Frames are decoded on the display thread; painting only takes the current picture.
#include "ui/preview_window_view.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <mutex>

namespace velomira {
class MainWindow;
}

namespace velomira::qt {

// Where the picture goes in a client area of the given size: the area less an 8-pixel margin
// on each side, the picture shrunk to fit it (never enlarged) and centred.
QRect previewPictureRect(QSize client, QSize picture);

class QtPreviewWindow final : public QWidget, public PreviewWindowView {
    Q_OBJECT
  public:
    explicit QtPreviewWindow(QWidget* owner);

    // The controller that hears about closing and clicks; set once, before the first preview.
    void attach(MainWindow& controller) { controller_ = &controller; }

    // PreviewWindowView
    bool previewShown() const override { return isVisible(); }
    void openPreview() override;
    void showFrame(const unsigned char* bytes, std::size_t length) override;
    void showStockPicture(StockPicture picture) override;

    // What is on screen now (tests, screenshots).
    QImage currentPicture() const;
    bool endShown() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Any thread: replaces the picture and asks the window's thread to repaint once.
    void setPicture(QImage picture, bool end);

    MainWindow* controller_ = nullptr;
    QImage blank_;
    QImage waiting_;
    QImage end_;
    mutable std::mutex mutex_;
    QImage picture_;
    bool endShown_ = false;
    std::atomic<bool> repaintPending_{false};
};

} // namespace velomira::qt
