#pragma once
// Messages and questions from code below the user interface. The front end installs the
// host that shows them (terminal, GUI, or a recorder in tests); nothing below the user
// interface talks to a screen directly.
#include "platform/failure.h"

#include <optional>
#include <string>
#include <vector>

namespace velomira {

enum class Answer { Yes, No, Cancel };

// One entry of a file dialog's type list: the label shown and its patterns ("*.jpg").
struct FileFilter {
    std::string label;
    std::vector<std::string> patterns;
};

struct FileDialogRequest {
    std::string title;
    std::vector<FileFilter> filters;
    std::string startFolder;
    std::string defaultExtension; // save only, without the dot ("mp4")
    std::string initialName;      // save only, offered in the name field
};

class DialogHost {
  public:
    virtual ~DialogHost() = default;
    virtual void showMessage(const std::string& text, const std::string& title,
                             MessageKind kind) = 0;
    // withCancel offers a third button; defaultAnswer is what a host without a person answers.
    virtual Answer ask(const std::string& text, const std::string& title, bool withCancel,
                       Answer defaultAnswer) = 0;

    // File dialogs answer the chosen full paths. A host that cannot show them (the terminal)
    // answers as if the person cancelled.
    virtual std::optional<std::string> askOpenFile(const FileDialogRequest&) {
        return std::nullopt;
    }
    virtual std::vector<std::string> askOpenFiles(const FileDialogRequest&) { return {}; }
    // The host asks before overwriting an existing file and adds the default extension.
    virtual std::optional<std::string> askSaveFile(const FileDialogRequest&) {
        return std::nullopt;
    }
};

// Installs the host used from now on; nullptr restores the terminal host. Returns the
// previous one so a test can put it back.
DialogHost* installDialogHost(DialogHost* host);

void showMessage(const std::string& text, const std::string& title, MessageKind kind);
// Shows a failure that code below the front ends returned.
void showFailure(const Failure& failure);
Answer ask(const std::string& text, const std::string& title, bool withCancel,
           Answer defaultAnswer);

std::optional<std::string> askOpenFile(const FileDialogRequest& request);
std::vector<std::string> askOpenFiles(const FileDialogRequest& request);
std::optional<std::string> askSaveFile(const FileDialogRequest& request);

} // namespace velomira
