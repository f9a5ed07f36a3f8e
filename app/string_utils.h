#pragma once
// Byte-string helpers shared by the HTTP client, the picture loader and the user interface.
// They work on single bytes; multi-byte characters get no special treatment. Null arguments
// give the "no" answer (0 or nullptr) instead of a crash.

#include <string>
#include <string_view>

namespace velomira {

// The text without the blanks at both ends; by default TAB, LF, CR and space.
std::string_view trimmed(std::string_view text, std::string_view blanks = " \t\r\n");

// printf into a new string of the exact length.
std::string formatText(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// Overwrites the trailing run of TAB, LF, CR and space with NULs and returns a pointer to the
// first byte that is none of them. Other control bytes are not white space here.
char* trimSpace(char* text);

// 1 when subject begins with prefix, else 0. An empty prefix matches only an empty subject.
int startsWith(const char* subject, const char* prefix);
// As startsWith, comparing bytes after tolower.
int startsWithNoCase(const char* subject, const char* prefix);

// 1 when subject ends with suffix, else 0. An empty suffix matches only an empty subject.
int endsWith(const char* subject, const char* suffix);
// As endsWith, comparing bytes after tolower (file extensions, program names).
int endsWithNoCase(const char* subject, const char* suffix);

// First occurrence of needle in haystack, or nullptr; an empty needle yields haystack. Two
// bytes match when equal or when their codes differ by exactly 0x20.
const char* findNoCase(const char* haystack, const char* needle);
char* findNoCase(char* haystack, const char* needle);

// Returns the text from *cursor up to the next delimiter, NUL-terminating it in place and
// moving *cursor past the delimiter. Without a further delimiter returns the rest and sets
// *cursor to nullptr. nullptr when cursor or *cursor is null. An empty delimiter never
// matches, so the walk always ends.
char* splitAtString(char** cursor, const char* delimiter);

// The same walk, ending each token at the first byte that belongs to the delimiter set.
char* splitAtChars(char** cursor, const char* delimiters);

} // namespace velomira
