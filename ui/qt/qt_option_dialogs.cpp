#include "ui/qt/qt_option_dialogs.h"

#include "ui/qt/custom_size_dialog.h"
#include "ui/qt/loop_play_dialog.h"
#include "ui/qt/margins_dialog.h"

namespace velomira {

QtOptionDialogs::~QtOptionDialogs() {
    delete customSize_.data();
    delete loopPlay_.data();
    delete margins_.data();
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

} // namespace velomira
