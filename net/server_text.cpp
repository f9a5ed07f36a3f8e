#include "net/server_text.h"

#include "app/printable_text.h"

#include <cctype>

namespace velomira {

namespace {

constexpr int kShownServerLines = 30;

// Whether the '<' at text[at] opens a tag or comment ("<a", "</a", "<!", "<?"), not a lone
// "less than" in the message.
bool opensTag(std::string_view text, std::size_t at) {
    if (at + 1 >= text.size())
        return false;
    const unsigned char next = static_cast<unsigned char>(text[at + 1]);
    return std::isalpha(next) || next == '/' || next == '!' || next == '?';
}

// Blocks whose content is never text for a person.
std::size_t skipHiddenBlock(std::string_view text, std::size_t at) {
    for (const char* name : {"script", "style"}) {
        const std::string open = std::string("<") + name;
        if (text.size() - at < open.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < open.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(text[at + i])) == open[i];
        if (!same)
            continue;
        const std::string close = std::string("</") + name;
        for (std::size_t end = text.find("</", at); end != std::string_view::npos;
             end = text.find("</", end + 2)) {
            bool closes = text.size() - end >= close.size();
            for (std::size_t i = 0; i < close.size() && closes; ++i)
                closes = std::tolower(static_cast<unsigned char>(text[end + i])) == close[i];
            if (closes)
                return end;
        }
        return text.size();
    }
    return at;
}

} // namespace

std::string serverTextForDisplay(std::string_view text) {
    std::string plain;
    plain.reserve(std::min<std::size_t>(text.size(), 64 * kShownTextCharacters));
    // Enough plain text to fill the shown length many times over is all that is looked at.
    const std::size_t enough = 16 * kShownTextCharacters;
    for (std::size_t at = 0; at < text.size() && plain.size() < enough;) {
        if (text[at] == '<' && opensTag(text, at)) {
            at = skipHiddenBlock(text, at);
            const std::size_t end = text.find('>', at);
            if (end == std::string_view::npos)
                break;
            at = end + 1;
            continue;
        }
        plain += text[at++];
    }
    // Taken-out markup leaves runs of empty lines; one is kept, and a box of a sensible height
    // shows the first lines.
    std::string lines;
    int count = 0;
    bool lastEmpty = true;
    for (std::size_t at = 0; at <= plain.size();) {
        std::size_t end = plain.find('\n', at);
        if (end == std::string::npos)
            end = plain.size();
        std::string_view line = std::string_view(plain).substr(at, end - at);
        const std::size_t lastChar = line.find_last_not_of(" \t\r");
        line =
            lastChar == std::string_view::npos ? std::string_view() : line.substr(0, lastChar + 1);
        at = end + 1;
        if (line.empty() && lastEmpty)
            continue;
        if (count == kShownServerLines) {
            lines += "…";
            break;
        }
        lines.append(line).append("\n");
        lastEmpty = line.empty();
        ++count;
    }
    while (!lines.empty() && lines.back() == '\n')
        lines.pop_back();
    const std::size_t first = lines.find_first_not_of(" \t\n");
    if (first == std::string::npos)
        return {};
    return printableText(std::string_view(lines).substr(first));
}

} // namespace velomira
