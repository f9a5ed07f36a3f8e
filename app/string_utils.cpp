#include "app/string_utils.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace velomira {

namespace {

bool isTrimmed(char byte) {
    return byte == '\t' || byte == '\n' || byte == '\r' || byte == ' ';
}

int lowered(char byte) {
    return std::tolower(static_cast<unsigned char>(byte));
}

bool sameIgnoringCaseBit(char a, char b) {
    int difference = static_cast<unsigned char>(a) - static_cast<unsigned char>(b);
    return difference == 0 || difference == 0x20 || difference == -0x20;
}

// Shared by the prefix and suffix tests: subject[0, length) against pattern.
template <typename Compare>
int matchesAt(const char* subject, const char* pattern, size_t length, Compare same) {
    for (size_t i = 0; i < length; ++i)
        if (!same(subject[i], pattern[i]))
            return 0;
    return 1;
}

int startsWithUsing(const char* subject, const char* prefix, bool ignoreCase) {
    if (!subject || !prefix)
        return 0;
    size_t prefixLength = std::strlen(prefix);
    if (prefixLength == 0)
        return subject[0] == '\0';
    if (std::strlen(subject) < prefixLength)
        return 0;
    if (ignoreCase)
        return matchesAt(subject, prefix, prefixLength,
                         [](char a, char b) { return lowered(a) == lowered(b); });
    return matchesAt(subject, prefix, prefixLength, [](char a, char b) { return a == b; });
}

int endsWithUsing(const char* subject, const char* suffix, bool ignoreCase) {
    if (!subject || !suffix)
        return 0;
    size_t subjectLength = std::strlen(subject);
    size_t suffixLength = std::strlen(suffix);
    if (suffixLength == 0)
        return subjectLength == 0;
    if (suffixLength > subjectLength)
        return 0;
    const char* tail = subject + subjectLength - suffixLength;
    if (ignoreCase)
        return matchesAt(tail, suffix, suffixLength,
                         [](char a, char b) { return lowered(a) == lowered(b); });
    return matchesAt(tail, suffix, suffixLength, [](char a, char b) { return a == b; });
}

} // namespace

char* trimSpace(char* text) {
    if (!text)
        return nullptr;
    size_t length = std::strlen(text);
    while (length > 0 && isTrimmed(text[length - 1]))
        text[--length] = '\0';
    while (isTrimmed(*text))
        ++text;
    return text;
}

int startsWith(const char* subject, const char* prefix) {
    return startsWithUsing(subject, prefix, false);
}

int startsWithNoCase(const char* subject, const char* prefix) {
    return startsWithUsing(subject, prefix, true);
}

int endsWith(const char* subject, const char* suffix) {
    return endsWithUsing(subject, suffix, false);
}

int endsWithNoCase(const char* subject, const char* suffix) {
    return endsWithUsing(subject, suffix, true);
}

const char* findNoCase(const char* haystack, const char* needle) {
    if (!haystack || !needle)
        return nullptr;
    if (*needle == '\0')
        return haystack;
    for (const char* start = haystack; *start; ++start) {
        size_t i = 0;
        while (needle[i] && start[i] && sameIgnoringCaseBit(start[i], needle[i]))
            ++i;
        if (needle[i] == '\0')
            return start;
        if (start[i] == '\0')
            return nullptr; // the rest of the haystack is shorter than the needle
    }
    return nullptr;
}

char* findNoCase(char* haystack, const char* needle) {
    return const_cast<char*>(findNoCase(static_cast<const char*>(haystack), needle));
}

char* splitAtString(char** cursor, const char* delimiter) {
    if (!cursor || !*cursor)
        return nullptr;
    char* token = *cursor;
    char* found = delimiter && *delimiter ? std::strstr(token, delimiter) : nullptr;
    if (!found) {
        *cursor = nullptr;
        return token;
    }
    *found = '\0';
    *cursor = found + std::strlen(delimiter);
    return token;
}

char* splitAtChars(char** cursor, const char* delimiters) {
    if (!cursor || !*cursor)
        return nullptr;
    char* token = *cursor;
    char* found = delimiters ? std::strpbrk(token, delimiters) : nullptr;
    if (!found) {
        *cursor = nullptr;
        return token;
    }
    *found = '\0';
    *cursor = found + 1;
    return token;
}

std::string_view trimmed(std::string_view text, std::string_view blanks) {
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string formatText(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, pattern, again);
    }
    va_end(again);
    return text;
}

} // namespace velomira
