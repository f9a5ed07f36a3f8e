// The main window's events: closing, dropped files, the list's focus and clicks, and the keys
// that go by where the focus is.
#include "ui/qt/main_window.h"

#include "ui/qt/qt_text.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QValidator>

namespace velomira::qt {

namespace {

bool isTextField(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) != nullptr;
}

} // namespace

void QtMainWindow::closeEvent(QCloseEvent* event) {
    // The controller decides: exit flow, hide into the tray, or nothing during a run.
    event->ignore();
    if (controller_ != nullptr && contentsEnabled_)
        controller().closeRequested();
}

namespace {

std::vector<std::string> localFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files.push_back(utf8(url.toLocalFile()));
    return files;
}

} // namespace

void QtMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (contentsEnabled_ && !localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void QtMainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (contentsEnabled_ && !localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void QtMainWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::string> files = localFiles(event->mimeData());
    if (files.empty() || controller_ == nullptr || !contentsEnabled_)
        return;
    event->acceptProposedAction();
    raiseWindow();
    controller().filesDropped(files);
}

int dropRowAt(const QRect& cell, int row, const QPoint& at, int count) {
    if (row < 0)
        return count;
    return at.x() < cell.center().x() ? row : row + 1;
}

bool QtMainWindow::handleListDrag(QEvent* event) {
    auto* drag = static_cast<QDropEvent*>(event);
    const QMimeData* data = drag->mimeData();
    const bool ownPictures = data != nullptr && !data->hasUrls() &&
                             data->hasFormat(pictures_->model()->mimeTypes().value(0));
    const std::vector<std::string> files = localFiles(data);
    if (controller_ == nullptr || !contentsEnabled_ || (!ownPictures && files.empty())) {
        drag->ignore();
        return true;
    }
    if (ownPictures)
        drag->setDropAction(Qt::MoveAction);
    drag->accept();
    if (event->type() != QEvent::Drop)
        return true;
    if (!ownPictures) {
        raiseWindow();
        controller().filesDropped(files);
        return true;
    }
    const QPoint at = drag->position().toPoint();
    const QModelIndex index = pictures_->indexAt(at);
    controller().picturesDragged(dropRowAt(
        pictures_->visualRect(index), index.isValid() ? index.row() : -1, at, pictures_->count()));
    return true;
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == statusBar() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        alignStatusParts();
    if (watched == pictures_->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick && controller_ != nullptr) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                const QModelIndex index = pictures_->indexAt(mouse->position().toPoint());
                controller().pictureDoubleClicked(index.isValid() ? index.row() : -1);
                return true;
            }
        } else if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                   event->type() == QEvent::Drop) {
            return handleListDrag(event);
        } else if (event->type() == QEvent::Resize) {
            placeEmptyHint();
            placeTransitionEditor();
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && controller_ != nullptr)
        return handleWindowKey(watched, static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::FocusIn && editor_->isVisible()) {
        // Focus that goes anywhere but the list or its editor takes the editor away.
        QWidget* now = QApplication::focusWidget();
        if (now != nullptr && now->window() == this && now != pictures_ && now != editor_ &&
            !editor_->isAncestorOf(now))
            hideTransitionEditor();
    }
    return false;
}

// Ctrl+A, Delete and F2 go by where the focus is, before the focused control sees them.
bool QtMainWindow::handleWindowKey(QObject* watched, QKeyEvent* key) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr)
        return false;
    if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier) {
        if (QApplication::activeModalWidget() != nullptr)
            return false;
        controller().toggleInfoWindow();
        return true;
    }
    if (widget->window() != this || !contentsEnabled_)
        return false;
    // Each key is looked at once, on its way to the focused control (or the window itself).
    QWidget* focused = QApplication::focusWidget();
    if (widget != (focused != nullptr ? focused : this))
        return false;
    const bool pictureSide = focused == nullptr || focused == this || focused == pictures_ ||
                             qobject_cast<QAbstractButton*>(focused) != nullptr ||
                             qobject_cast<QComboBox*>(focused) != nullptr;
    if (key->matches(QKeySequence::SelectAll)) {
        if (isTextField(focused) || !pictureSide)
            return false;
        controller().selectAllPictures();
        return true;
    }
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
        if (focused == control(Command::MusicList)) {
            auto* music = static_cast<QTreeWidget*>(focused);
            if (!music->selectedItems().isEmpty())
                controller().dispatch(Command::MusicRemove);
            return true;
        }
        if (!pictureSide || controller().selectedRows().empty())
            return false;
        controller().deleteKey();
        return true;
    }
    return false;
}

} // namespace velomira::qt
