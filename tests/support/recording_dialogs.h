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

class RecordingDialogs final : public DialogHost {
  public:
    // Installs itself for the lifetime of the object.
    RecordingDialogs();
    ~RecordingDialogs() override;

    void showMessage(const std::string& text, const std::string& title, MessageKind kind) override;
    Answer ask(const std::string& text, const std::string& title, bool withCancel,
               Answer defaultAnswer) override;

    void scriptAnswer(Answer a);
    std::vector<RecordedMessage> messages() const;

  private:
    mutable std::mutex lock_;
    std::vector<RecordedMessage> messages_;
    std::deque<Answer> answers_;
    DialogHost* previous_;
};

} // namespace velomira::testing
