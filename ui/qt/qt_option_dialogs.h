#pragma once
// The three option dialogs as the main window asks for them. Each dialog is made on first
// use, centred over the owner, and kept hidden between uses.
#include "ui/option_dialogs.h"

#include <QPointer>
#include <QWidget>

namespace velomira {

class CustomSizeDialog;
class FocusDialog;
class LoopPlayDialog;
class MarginsDialog;

class QtOptionDialogs final : public OptionDialogHost {
  public:
    explicit QtOptionDialogs(QWidget* owner) : owner_(owner) {}
    ~QtOptionDialogs() override;
    QtOptionDialogs(const QtOptionDialogs&) = delete;
    QtOptionDialogs& operator=(const QtOptionDialogs&) = delete;

    std::optional<VideoSize> askCustomVideoSize() override;
    std::optional<int> askLoopPlayTransition(int current) override;
    std::optional<CaptionMargins> askCaptionMargins(const CaptionMargins& current) override;
    std::optional<std::string> askPictureTime(const std::string& current) override;
    std::optional<FocusAnswer> askFocalRegion(const std::string& picturePath, int turnAngle,
                                              const std::optional<FocalRegion>& shown) override;

    // The dialogs themselves, made when first asked for (screenshots and tests).
    CustomSizeDialog& customSizeDialog();
    LoopPlayDialog& loopPlayDialog();
    MarginsDialog& marginsDialog();
    FocusDialog& focusDialog();

  private:
    QPointer<QWidget> owner_;
    // Qt children of owner_; deleted with this object or with the owner, whichever goes first.
    QPointer<CustomSizeDialog> customSize_;
    QPointer<LoopPlayDialog> loopPlay_;
    QPointer<MarginsDialog> margins_;
    QPointer<FocusDialog> focus_;
};

} // namespace velomira
