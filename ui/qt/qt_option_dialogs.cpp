#include "ui/qt/qt_option_dialogs.h"

#include "platform/translation.h"
#include "ui/qt/custom_size_dialog.h"
#include "ui/qt/focus_dialog.h"
#include "ui/qt/loop_play_dialog.h"
#include "ui/qt/margins_dialog.h"

#include <QInputDialog>
#include <QLineEdit>

namespace velomira {

QtOptionDialogs::~QtOptionDialogs() {
    delete customSize_.data();
    delete loopPlay_.data();
    delete margins_.data();
    delete focus_.data();
}

FocusDialog& QtOptionDialogs::focusDialog() {
    if (!focus_)
        focus_ = new FocusDialog(owner_.data());
    return *focus_;
}

std::optional<OptionDialogHost::FocusAnswer>
QtOptionDialogs::askFocalRegion(const std::string& picturePath, int turnAngle,
                                const std::optional<FocalRegion>& shown) {
    FocusDialog& dialog = focusDialog();
    dialog.prepare(picturePath, turnAngle, shown);
    if (dialog.exec() != QDialog::Accepted || !dialog.answer())
        return std::nullopt;
    return FocusAnswer{dialog.answer()->region};
}

CustomSizeDialog& QtOptionDialogs::customSizeDialog() {
    if (!customSize_)
        customSize_ = new CustomSizeDialog(owner_.data());
    return *customSize_;
}

LoopPlayDialog& QtOptionDialogs::loopPlayDialog() {
    if (!loopPlay_)
        loopPlay_ = new LoopPlayDialog(owner_.data());
    return *loopPlay_;
}

MarginsDialog& QtOptionDialogs::marginsDialog() {
    if (!margins_)
        margins_ = new MarginsDialog(owner_.data());
    return *margins_;
}

std::optional<VideoSize> QtOptionDialogs::askCustomVideoSize() {
    CustomSizeDialog& dialog = customSizeDialog();
    dialog.prepare();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenSize();
}

std::optional<int> QtOptionDialogs::askLoopPlayTransition(int current) {
    LoopPlayDialog& dialog = loopPlayDialog();
    dialog.prepare(current);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenIndex();
}

std::optional<CaptionMargins> QtOptionDialogs::askCaptionMargins(const CaptionMargins& current) {
    MarginsDialog& dialog = marginsDialog();
    dialog.prepare(current);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenMargins();
}

std::optional<std::string> QtOptionDialogs::askPictureTime(const std::string& current) {
    bool accepted = false;
    const QString text = QInputDialog::getText(
        owner_, QString::fromUtf8(tr_("停顿时间")),
        QString::fromUtf8(tr_("所选图片的停顿时间（秒），留空则使用视频设置的时间：")),
        QLineEdit::Normal, QString::fromStdString(current), &accepted);
    if (!accepted)
        return std::nullopt;
    return text.toStdString();
}

} // namespace velomira
