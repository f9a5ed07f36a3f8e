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

std::vector<std::string> RecordingDialogs::nextFiles(FileDialogKind kind,
                                                     const FileDialogRequest& request) {
    std::lock_guard<std::mutex> g(lock_);
    fileDialogs_.push_back({kind, request});
    if (fileAnswers_.empty())
        return {};
    std::vector<std::string> paths = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return paths;
}

std::optional<std::string> RecordingDialogs::askOpenFile(const FileDialogRequest& request) {
    std::vector<std::string> paths = nextFiles(FileDialogKind::OpenOne, request);
    if (paths.empty())
        return std::nullopt;
    return paths.front();
}

std::vector<std::string> RecordingDialogs::askOpenFiles(const FileDialogRequest& request) {
    return nextFiles(FileDialogKind::OpenSeveral, request);
}

std::optional<std::string> RecordingDialogs::askSaveFile(const FileDialogRequest& request) {
    std::vector<std::string> paths = nextFiles(FileDialogKind::Save, request);
    if (paths.empty())
        return std::nullopt;
    return paths.front();
}

void RecordingDialogs::scriptFiles(std::vector<std::string> paths) {
    std::lock_guard<std::mutex> g(lock_);
    fileAnswers_.push_back(std::move(paths));
}

std::vector<RecordedFileDialog> RecordingDialogs::fileDialogs() const {
    std::lock_guard<std::mutex> g(lock_);
    return fileDialogs_;
}

void RecordingDialogs::clearMessages() {
    std::lock_guard<std::mutex> g(lock_);
    messages_.clear();
}

std::vector<RecordedMessage> RecordingDialogs::messages() const {
    std::lock_guard<std::mutex> g(lock_);
    return messages_;
}

} // namespace velomira::testing
