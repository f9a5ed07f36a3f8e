#include "ui/qt/info_window.h"

#include <QCloseEvent>
#include <QScrollBar>
#include <QVBoxLayout>

namespace velomira {

InfoWindow::InfoWindow(QWidget* owner) : QWidget(owner, Qt::Tool) {
    setWindowTitle(QStringLiteral("信息 - F2"));
    text_ = new QPlainTextEdit(this);
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
    setVisible(shown);
}

void InfoWindow::closeEvent(QCloseEvent* event) {
    hide();
    event->ignore();
}

} // namespace velomira
