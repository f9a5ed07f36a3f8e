#include "support/recording_dialogs.h"

namespace velomira::testing {

RecordingDialogs::RecordingDialogs() : previous_(installDialogHost(this)) {}

RecordingDialogs::~RecordingDialogs() {
    installDialogHost(previous_);
}

void RecordingDialogs::showMessage(const std::string& text, const std::string& title,
                                   MessageKind kind) {
    std::lock_guard<std::mutex> g(lock_);
    messages_.push_back({text, title, kind});
}

Answer RecordingDialogs::ask(const std::string& text, const std::string& title, bool,
                             Answer defaultAnswer) {
    std::lock_guard<std::mutex> g(lock_);
    messages_.push_back({text, title, MessageKind::Question});
    if (answers_.empty())
        return defaultAnswer;
    Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

void RecordingDialogs::scriptAnswer(Answer a) {
    std::lock_guard<std::mutex> g(lock_);
    answers_.push_back(a);
}

std::vector<RecordedMessage> RecordingDialogs::messages() const {
    std::lock_guard<std::mutex> g(lock_);
    return messages_;
}

} // namespace velomira::testing
