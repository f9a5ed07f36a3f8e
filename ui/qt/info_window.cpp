#include "ui/qt/info_window.h"

#include "platform/translation.h"

#include <QCloseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace velomira {

InfoWindow::InfoWindow(QWidget* owner) : QWidget(owner, Qt::Tool) {
    setWindowTitle(QStringLiteral("信息 - F2"));
    text_ = new QPlainTextEdit(this);
    text_->setAccessibleName(QString::fromUtf8(tr_("信息")));
    text_->setReadOnly(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette colours = text_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, Qt::black);
        colours.setColor(group, QPalette::Text, QColor(0x00, 0xFF, 0x00));
    }
    text_->setPalette(colours);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    resize(530, 168);
}

void InfoWindow::appendText(const std::string& text) {
    // The reports end their lines with "\r\n"; the text field counts "\r" as a line of its
    // own, so each pair becomes one line break.
    QString plain = QString::fromStdString(text);
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text_->moveCursor(QTextCursor::End);
    text_->insertPlainText(plain);
}

void InfoWindow::scrollToEnd() {
    QScrollBar* bar = text_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

bool InfoWindow::isShown() const {
    return isVisible();
}

void InfoWindow::setShown(bool shown) {
    if (shown && !placed_)
        placeBesideOwner();
    setVisible(shown);
}

QPoint besideWindow(const QRect& owner, const QSize& frameSize, const QRect& available) {
    const int w = frameSize.width();
    const int h = frameSize.height();
    const int roomRight = available.right() - owner.right();
    const int roomLeft = owner.left() - available.left();
    int x = 0;
    int y = owner.top();
    if (roomRight >= w)
        x = owner.right() + 1;
    else if (roomLeft >= w)
        x = owner.left() - w;
    else {
        x = roomRight >= roomLeft ? available.right() + 1 - w : available.left();
        y = owner.top() + owner.height() / 6;
    }
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - w));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - h));
    return {x, y};
}

void InfoWindow::placeBesideOwner() {
    const QWidget* owner = parentWidget();
    if (owner == nullptr || !owner->isVisible() || owner->screen() == nullptr)
        return;
    placed_ = true;
    // Until it has been shown, the frame is the owner's.
    const QSize decoration = owner->frameGeometry().size() - owner->geometry().size();
    const QPoint frame = besideWindow(owner->frameGeometry(), size() + decoration,
                                      owner->screen()->availableGeometry());
    move(frame);
}

void InfoWindow::closeEvent(QCloseEvent* event) {
    hide();
    event->ignore();
}

} // namespace velomira
