#pragma once
// Text between the toolkit-free layer (UTF-8 std::string) and Qt (QString), for the main
// window's files.
#include "ui/commands.h"

#include <QString>

#include <string>
#include <string_view>

namespace velomira::qt {

inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// The label the toolbar or a menu shows for a command.
inline QString label(Command command) {
    return qs(commandLabel(command));
}

} // namespace velomira::qt
