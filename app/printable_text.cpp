#include "app/printable_text.h"

namespace velomira {

namespace {

// Length of the valid UTF-8 character at text[at], or 0 (overlong forms, surrogates and
// values beyond U+10FFFF are invalid).
std::size_t characterLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    char32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    // C1 control characters are as unprintable as C0 ones.
    if (value >= 0x80 && value < 0xA0)
        return 0;
    return length;
}

// The one replacement loop: cut after maxCharacters characters, and either drop the CR of a
// "\r\n" (for texts shown on their own) or keep it (for whole messages, which use "\r\n").
std::string replaced(std::string_view text, std::size_t maxCharacters, bool keepCrLf) {
    std::string result;
    result.reserve(std::min(text.size(), maxCharacters * 4));
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (characters == maxCharacters) {
            result += "…";
            break;
        }
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const bool lineBreak = c == '\r' && at + 1 < text.size() && text[at + 1] == '\n';
        if (lineBreak && !keepCrLf) {
            ++at;
            continue;
        }
        const std::size_t length = characterLength(text, at);
        if (!lineBreak && (length == 0 || (c < 0x20 && c != '\n' && c != '\t') || c == 0x7F)) {
            result += '?';
            ++at;
        } else {
            result.append(text.substr(at, length));
            at += length;
        }
        ++characters;
    }
    return result;
}

} // namespace

std::string printableText(std::string_view text, std::size_t maxCharacters) {
    return replaced(text, maxCharacters, false);
}

std::string shownText(std::string_view text) {
    return replaced(text, std::string_view::npos, true);
}

} // namespace velomira
