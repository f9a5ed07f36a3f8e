#include "ui/qt/generation_progress.h"

#include "platform/translation.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace velomira::qt {

GenerationProgressDialog::GenerationProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      label_(new QLabel(this)), encode_(new QLabel(this)), timeLeft_(new QLabel(this)),
      bar_(new QProgressBar(this)), stop_(new QPushButton(QStringLiteral("停止"), this)) {
    setWindowTitle(QStringLiteral("处理进度"));
    setWindowModality(Qt::WindowModal);
    // The window's own fixed layout: the bar with the stop button beside it, the text below.
    // The bar with the stop button beside it, the count, the time left, a size cap's encode.
    setFixedSize(353, 132);
    bar_->setTextVisible(false);
    bar_->setGeometry(16, 22, 239, 23);
    stop_->setGeometry(265, 21, 66, 25);
    label_->setGeometry(16, 55, 318, 21);
    label_->setText(QStringLiteral("共 0 张图片，正在处理第 0 张。"));
    timeLeft_->setGeometry(16, 78, 318, 21);
    encode_->setGeometry(16, 100, 318, 21);
    encode_->hide();
    connect(stop_, &QPushButton::clicked, this, &GenerationProgressDialog::stopRequested);
}

void GenerationProgressDialog::showBeats(int percent) {
    if (!isVisible()) {
        stop_->setText(QStringLiteral("停止"));
        stop_->setEnabled(true);
        show();
    }
    label_->setText(QString::fromUtf8(tr_("正在分析音乐的节拍：%1%")).arg(percent));
    bar_->setRange(0, 100);
    bar_->setValue(percent);
}

void GenerationProgressDialog::showProgress(int picture, int total) {
    if (!isVisible()) {
        stop_->setText(QStringLiteral("停止"));
        stop_->setEnabled(true);
        show();
    }
    label_->setText(QStringLiteral("共 %1 张图片，正在处理第 %2 张。").arg(total).arg(picture));
    if (bar_->isTextVisible()) // the frames' share is finer than the pictures
        return;
    bar_->setRange(0, total > 0 ? total : 1);
    bar_->setValue(picture > 0 ? picture - 1 : 0); // pictures done so far
}

void GenerationProgressDialog::showShare(int percent, const QString& timeLeft) {
    bar_->setRange(0, 100);
    bar_->setValue(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    bar_->setFormat(QStringLiteral("%p%"));
    bar_->setTextVisible(true);
    timeLeft_->setText(timeLeft);
}

QString GenerationProgressDialog::timeLeftText() const {
    return timeLeft_->text();
}

void GenerationProgressDialog::showEncode(int encode, int most) {
    encode_->setText(
        QStringLiteral("按文件大小上限编码：第 %1 次（最多 %2 次）").arg(encode).arg(most));
    encode_->show();
}

QString GenerationProgressDialog::encodeText() const {
    return encode_->isVisible() ? encode_->text() : QString();
}

void GenerationProgressDialog::showStopping() {
    stop_->setText(QStringLiteral("停止中..."));
    stop_->setEnabled(false);
}

QString GenerationProgressDialog::text() const {
    return label_->text();
}

void GenerationProgressDialog::hideEvent(QHideEvent* event) {
    // The next run starts with a usable button again.
    stop_->setText(QStringLiteral("停止"));
    stop_->setEnabled(true);
    encode_->hide();
    timeLeft_->clear();
    bar_->setTextVisible(false);
    QDialog::hideEvent(event);
}

void GenerationProgressDialog::reject() {}

} // namespace velomira::qt
