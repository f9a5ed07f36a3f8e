#include "ui/qt/margins_dialog.h"

#include "platform/dialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velomira {

namespace {

QLineEdit* marginBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setMaxLength(kMarginMaxChars);
    box->setFixedWidth(60);
    return box;
}

} // namespace

MarginsDialog::MarginsDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("【加文字】边距设置"));
    for (QLineEdit*& box : edits_)
        box = marginBox(this);
    defaults_ = new QPushButton(QStringLiteral("全部使用默认值"), this);
    ok_ = new QPushButton(QStringLiteral("确定"), this);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    ok_->setDefault(true);
    connect(defaults_, &QPushButton::clicked, this, [this] { showTexts(defaultMarginTexts()); });
    connect(ok_, &QPushButton::clicked, this, &MarginsDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &MarginsDialog::reject);

    auto* middle = new QGroupBox(QStringLiteral("【加文字】 位置：【中间下方】的下边距设置"), this);
    auto* middleRow = new QHBoxLayout(middle);
    middleRow->addWidget(new QLabel(QStringLiteral("下边距："), middle));
    middleRow->addWidget(edit(MarginField::CenterBottom));
    middleRow->addWidget(new QLabel(QStringLiteral("% (视频高度的百分比)"), middle));
    middleRow->addStretch();
    middleRow->addWidget(defaults_);

    auto* corners = new QGroupBox(
        QStringLiteral("【加文字】 位置：左上角、左下角、右上角、右下角的边距设置"), this);
    auto* grid = new QGridLayout(corners);
    const struct {
        const char* label;
        MarginField field;
        int row;
        int column;
    } cells[] = {{"左边距：", MarginField::Left, 0, 0},
                 {"右边距：", MarginField::Right, 0, 3},
                 {"上边距：", MarginField::Top, 1, 0},
                 {"下边距：", MarginField::Bottom, 1, 3}};
    for (const auto& cell : cells) {
        grid->addWidget(new QLabel(QString::fromUtf8(cell.label), corners), cell.row, cell.column);
        grid->addWidget(edit(cell.field), cell.row, cell.column + 1);
        grid->addWidget(new QLabel(QStringLiteral("%"), corners), cell.row, cell.column + 2);
    }
    grid->setColumnStretch(6, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("说明：边距的值以视频的宽度与高度做为参照依据。"), this));
    layout->addWidget(middle);
    layout->addWidget(corners);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(396, 326);
}

void MarginsDialog::showTexts(const MarginTexts& texts) {
    for (size_t i = 0; i < edits_.size(); ++i)
        edits_[i]->setText(QString::fromStdString(texts[i]));
}

void MarginsDialog::prepare(const CaptionMargins& current) {
    chosen_.reset();
    showTexts(marginTexts(current));
    edit(MarginField::CenterBottom)->setFocus();
}

void MarginsDialog::accept() {
    MarginTexts texts;
    for (size_t i = 0; i < edits_.size(); ++i)
        texts[i] = edits_[i]->text().toStdString();
    auto checked = checkCaptionMargins(texts);
    if (auto* refusal = std::get_if<MarginRefusal>(&checked)) {
        showMessage(refusal->message, refusal->title, MessageKind::Warning);
        edit(refusal->focus)->setFocus();
        return;
    }
    chosen_ = std::get<CaptionMargins>(checked);
    QDialog::accept();
}

} // namespace velomira
