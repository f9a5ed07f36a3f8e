#include "ui/qt/custom_size_dialog.h"

#include "platform/dialogs.h"
#include "ui/option_forms.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace velomira {

namespace {

QLineEdit* numberBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setMaxLength(kCustomSizeMaxChars);
    box->setAlignment(Qt::AlignCenter);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    box->setFixedWidth(60);
    return box;
}

} // namespace

CustomSizeDialog::CustomSizeDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("自定义视频尺寸"));
    width_ = numberBox(this);
    height_ = numberBox(this);
    ok_ = new QPushButton(QStringLiteral("确定"), this);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &CustomSizeDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &CustomSizeDialog::reject);

    auto* sizes = new QHBoxLayout;
    sizes->addWidget(new QLabel(QStringLiteral("设置输出视频的尺寸："), this));
    // Each label names its field for screen readers.
    auto* widthLabel = new QLabel(QStringLiteral("宽："), this);
    auto* heightLabel = new QLabel(QStringLiteral("高："), this);
    widthLabel->setBuddy(width_);
    heightLabel->setBuddy(height_);
    sizes->addWidget(widthLabel);
    sizes->addWidget(width_);
    sizes->addWidget(heightLabel);
    sizes->addWidget(height_);
    sizes->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sizes);
    layout->addLayout(buttons);
    resize(336, 90);
}

void CustomSizeDialog::prepare() {
    chosen_.reset();
    width_->clear();
    height_->clear();
    width_->setFocus();
}

void CustomSizeDialog::accept() {
    auto checked =
        checkCustomVideoSize(width_->text().toStdString(), height_->text().toStdString());
    if (auto* refusal = std::get_if<CustomSizeRefusal>(&checked)) {
        showMessage(refusal->message, refusal->title, MessageKind::Warning);
        (refusal->focus == CustomSizeField::Width ? width_ : height_)->setFocus();
        return;
    }
    chosen_ = std::get<VideoSize>(checked);
    QDialog::accept();
}

} // namespace velomira
