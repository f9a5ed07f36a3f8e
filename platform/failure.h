#pragma once
// A failure as a value: the text, title and kind of the message a front end shows or prints.
// Code below the front ends returns these instead of raising message boxes, so a message never
// pops up from a reader or a worker thread, and the terminal program needs no dialog host.
#include <string>

namespace velomira {

enum class MessageKind { Information, Warning, Error, Question };

struct Failure {
    std::string text;
    std::string title;
    MessageKind kind = MessageKind::Error;

    bool operator==(const Failure&) const = default;
};

} // namespace velomira
