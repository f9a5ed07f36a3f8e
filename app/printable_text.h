#pragma once
// Text from outside the program (a tool's error output, a server's reply) made fit to print on
// a terminal or show in a window: valid UTF-8 only, no control characters, bounded length.
#include <cstddef>
#include <string>
#include <string_view>

namespace velomira {

// Texts from outside are cut to this many characters.
constexpr std::size_t kShownTextCharacters = 2000;

// Every byte that does not start a valid UTF-8 character, and every control character other
// than line break and tab, becomes "?"; a carriage return before a line break is dropped.
// Longer texts are cut to maxCharacters characters followed by "…".
std::string printableText(std::string_view text, std::size_t maxCharacters = kShownTextCharacters);

// A message as it leaves the program for a terminal or a window, with file names, replies and
// other texts from outside inside it: the same "?" for control characters and invalid bytes,
// but never cut, and "\r\n" kept as the line break the messages are written with.
std::string shownText(std::string_view text);

} // namespace velomira
