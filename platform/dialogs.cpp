#include "platform/dialogs.h"

#include <atomic>
#include <cstdio>

namespace velomira {
namespace {

// Prints to standard error and answers every question with its default.
class TerminalHost final : public DialogHost {
  public:
    void showMessage(const std::string& text, const std::string& title, MessageKind) override {
        std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
    }
    Answer ask(const std::string& text, const std::string& title, bool,
               Answer defaultAnswer) override {
        std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
        return defaultAnswer;
    }
};

TerminalHost terminalHost;
std::atomic<DialogHost*> currentHost{&terminalHost};

} // namespace

DialogHost* installDialogHost(DialogHost* host) {
    return currentHost.exchange(host ? host : &terminalHost);
}

void showMessage(const std::string& text, const std::string& title, MessageKind kind) {
    currentHost.load()->showMessage(text, title, kind);
}

void showFailure(const Failure& failure) {
    showMessage(failure.text, failure.title, failure.kind);
}

Answer ask(const std::string& text, const std::string& title, bool withCancel,
           Answer defaultAnswer) {
    return currentHost.load()->ask(text, title, withCancel, defaultAnswer);
}

std::optional<std::string> askOpenFile(const FileDialogRequest& request) {
    return currentHost.load()->askOpenFile(request);
}

std::vector<std::string> askOpenFiles(const FileDialogRequest& request) {
    return currentHost.load()->askOpenFiles(request);
}

std::optional<std::string> askSaveFile(const FileDialogRequest& request) {
    return currentHost.load()->askSaveFile(request);
}

} // namespace velomira
