#include "ui/qt/generation_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velomira::qt {

GenerationProgressDialog::GenerationProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      label_(new QLabel(this)), bar_(new QProgressBar(this)),
      stop_(new QPushButton(QStringLiteral("停止"), this)) {
    setWindowTitle(QStringLiteral("生成视频"));
    setWindowModality(Qt::WindowModal);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(320);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    connect(stop_, &QPushButton::clicked, this, &GenerationProgressDialog::stopRequested);
}

void GenerationProgressDialog::showProgress(int picture, int total) {
    if (!isVisible()) {
        stop_->setEnabled(true);
        show();
    }
    label_->setText(QStringLiteral("共 %1 张图片，正在处理第 %2 张。").arg(total).arg(picture));
    bar_->setRange(0, total > 0 ? total : 1);
    bar_->setValue(picture);
}

void GenerationProgressDialog::showStopping() {
    label_->setText(QStringLiteral("停止中..."));
    stop_->setEnabled(false);
}

QString GenerationProgressDialog::text() const {
    return label_->text();
}

void GenerationProgressDialog::reject() {}

} // namespace velomira::qt
