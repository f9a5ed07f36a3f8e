#include "ui/qt/loop_play_dialog.h"

#include "ui/option_forms.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velomira {

void LoopPlayList::hidePopup() {
    // Hiding the dialog hides the list too; only a list that was open closes up.
    const bool wasOpen = view()->isVisible();
    QComboBox::hidePopup();
    if (wasOpen)
        setCurrentIndex(loopPlaySelectionAfterCloseUp(currentIndex()));
}

LoopPlayDialog::LoopPlayDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("图片循环播放设置"));
    list_ = new LoopPlayList(this);
    for (const std::string& entry : loopPlayListEntries())
        list_->addItem(QString::fromStdString(entry));
    list_->setMaxVisibleItems(20);
    ok_ = new QPushButton(QStringLiteral("确定"), this);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &LoopPlayDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &LoopPlayDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* when = new QLabel(
        QStringLiteral("当勾选【当音频长度 > 视频长度时, 图片循环播放】选项，同时第一张图片设置为"
                       "【无动画】时："),
        this);
    when->setWordWrap(true);
    layout->addWidget(when);
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("第一张图片在循环播放时的过渡动画设置为："), this));
    choice->addWidget(list_, 1);
    layout->addLayout(choice);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    resize(562, 153);
}

void LoopPlayDialog::prepare(int currentIndex) {
    chosen_.reset();
    list_->setCurrentIndex(loopPlaySelectionFor(currentIndex));
    list_->setFocus();
}

void LoopPlayDialog::accept() {
    chosen_ = loopPlayChoiceFromText(list_->currentText().toStdString());
    QDialog::accept();
}

} // namespace velomira
