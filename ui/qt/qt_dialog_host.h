#pragma once
// Message boxes, questions and file dialogs of the window program: Qt's standard dialogs,
// installed as the platform/dialogs host. Calls from other threads are carried over to the
// window thread and wait there for the answer.
#include "platform/dialogs.h"

#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace velomira {

class QtDialogHost final : public DialogHost {
  public:
    // Boxes and dialogs are centred over owner (may be null, or set later).
    explicit QtDialogHost(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    void showMessage(const std::string& text, const std::string& title, MessageKind kind) override;
    Answer ask(const std::string& text, const std::string& title, bool withCancel,
               Answer defaultAnswer) override;
    std::optional<std::string> askOpenFile(const FileDialogRequest& request) override;
    std::vector<std::string> askOpenFiles(const FileDialogRequest& request) override;
    std::optional<std::string> askSaveFile(const FileDialogRequest& request) override;

  private:
    QPointer<QWidget> owner_;
};

// Opens the dialog at a size that shows its columns (within the screen) and writes the
// files' dates in the interface's language rather than the system's.
void dressFileDialog(QFileDialog& dialog);

// The type list as QFileDialog reads it: "label (*.jpg *.png)" entries joined by ";;".
QString qtFileFilterText(const std::vector<FileFilter>& filters);

} // namespace velomira
