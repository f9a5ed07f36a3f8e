#pragma once
// Messages and questions from code below the user interface. The front end installs the
// host that shows them (terminal, GUI, or a recorder in tests); nothing below the user
// interface talks to a screen directly.
#include <string>

namespace velomira {

enum class MessageKind { Information, Warning, Error, Question };
enum class Answer { Yes, No, Cancel };

class DialogHost {
  public:
    virtual ~DialogHost() = default;
    virtual void showMessage(const std::string& text, const std::string& title,
                             MessageKind kind) = 0;
    // withCancel offers a third button; defaultAnswer is what a host without a person answers.
    virtual Answer ask(const std::string& text, const std::string& title, bool withCancel,
                       Answer defaultAnswer) = 0;
};

// Installs the host used from now on; nullptr restores the terminal host. Returns the
// previous one so a test can put it back.
DialogHost* installDialogHost(DialogHost* host);

void showMessage(const std::string& text, const std::string& title, MessageKind kind);
Answer ask(const std::string& text, const std::string& title, bool withCancel,
           Answer defaultAnswer);

} // namespace velomira
