#pragma once
// The project file's text on disk is GBK; in memory it is UTF-8 JSON.
#include "app/json_handles.h"

#include <string>
#include <string_view>

namespace velomira {

// UTF-8 JSON text to the GBK bytes of the file, character by character. Inside JSON strings a
// character GBK cannot hold becomes a "\uXXXX" escape (a surrogate pair beyond U+FFFF) and a
// byte that is not UTF-8 becomes "\ufffd", so nothing is silently lost; outside strings (where
// the printer writes only ASCII) such input is dropped.
std::string projectTextToGbk(std::string_view utf8Json);

// GBK bytes of a file to UTF-8; bytes that are not GBK are dropped.
std::string projectTextFromGbk(std::string_view gbk);

// Parses the UTF-8 text; nothing when it is not JSON. Text after the first value is ignored.
JsonTree parseProjectJson(std::string_view utf8Json);

} // namespace velomira
