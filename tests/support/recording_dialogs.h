#pragma once
// A dialog host that remembers every message and answers questions from a script.
#include "platform/dialogs.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace velomira::testing {

struct RecordedMessage {
    std::string text;
    std::string title;
    MessageKind kind;
};

enum class FileDialogKind { OpenOne, OpenSeveral, Save };

struct RecordedFileDialog {
    FileDialogKind kind;
    FileDialogRequest request;
};

class RecordingDialogs final : public DialogHost {
  public:
    // Installs itself for the lifetime of the object.
    RecordingDialogs();
    ~RecordingDialogs() override;

    void showMessage(const std::string& text, const std::string& title, MessageKind kind) override;
    Answer ask(const std::string& text, const std::string& title, bool withCancel,
               Answer defaultAnswer) override;

    std::optional<std::string> askOpenFile(const FileDialogRequest& request) override;
    std::vector<std::string> askOpenFiles(const FileDialogRequest& request) override;
    std::optional<std::string> askSaveFile(const FileDialogRequest& request) override;

    void scriptAnswer(Answer a);
    // The next file dialog answers these paths; an empty list is a cancel. Dialogs without a
    // scripted answer are cancelled. A one-file dialog takes the first path.
    void scriptFiles(std::vector<std::string> paths);
    std::vector<RecordedMessage> messages() const;
    // Forgets the messages recorded so far (one test, several runs).
    void clearMessages();
    std::vector<RecordedFileDialog> fileDialogs() const;

  private:
    std::vector<std::string> nextFiles(FileDialogKind kind, const FileDialogRequest& request);

    mutable std::mutex lock_;
    std::vector<RecordedMessage> messages_;
    std::deque<Answer> answers_;
    std::vector<RecordedFileDialog> fileDialogs_;
    std::deque<std::vector<std::string>> fileAnswers_;
    DialogHost* previous_;
};

} // namespace velomira::testing
