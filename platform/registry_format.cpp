#include "platform/registry_format.h"

#include "platform/hex_digit.h"

#include <optional>

namespace velomira {

namespace {

unsigned char asciiLower(char byte) {
    auto value = static_cast<unsigned char>(byte);
    return value >= 'A' && value <= 'Z' ? static_cast<unsigned char>(value + 0x20) : value;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Reads a quoted, escaped text at the start of line and removes it from line.
std::optional<std::string> takeQuoted(std::string_view& line) {
    if (line.empty() || line.front() != '"')
        return std::nullopt;
    std::string text;
    for (size_t i = 1; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            line.remove_prefix(i + 1);
            return text;
        }
        if (c != '\\') {
            text.push_back(c);
            continue;
        }
        if (++i >= line.size())
            return std::nullopt;
        switch (line[i]) {
        case '\\':
            text.push_back('\\');
            break;
        case '"':
            text.push_back('"');
            break;
        case 'n':
            text.push_back('\n');
            break;
        case 'r':
            text.push_back('\r');
            break;
        case 't':
            text.push_back('\t');
            break;
        case 'x': {
            if (i + 2 >= line.size())
                return std::nullopt;
            int high = hexDigitValue(line[i + 1]);
            int low = hexDigitValue(line[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            text.push_back(static_cast<char>(high * 16 + low));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return std::nullopt; // no closing quote
}

std::optional<uint32_t> parseDword(std::string_view text) {
    constexpr std::string_view prefix = "dword:";
    if (text.size() <= prefix.size() || !equalNoCase(text.substr(0, prefix.size()), prefix))
        return std::nullopt;
    text.remove_prefix(prefix.size());
    if (text.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        int digit = hexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

// One `"name"=value` line; nullopt when it is not one.
std::optional<std::pair<std::string, RegistryValue>> parseValueLine(std::string_view line) {
    std::optional<std::string> name = takeQuoted(line);
    if (!name || name->empty())
        return std::nullopt;
    line = trimmed(line);
    if (line.empty() || line.front() != '=')
        return std::nullopt;
    line = trimmed(line.substr(1));
    if (!line.empty() && line.front() == '"') {
        std::optional<std::string> text = takeQuoted(line);
        if (!text || !trimmed(line).empty())
            return std::nullopt;
        return std::make_pair(std::move(*name), RegistryValue(std::move(*text)));
    }
    if (std::optional<uint32_t> number = parseDword(line))
        return std::make_pair(std::move(*name), RegistryValue(*number));
    return std::nullopt;
}

void appendQuoted(std::string& out, std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    out.push_back('"');
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                out += "\\x";
                out.push_back(digits[byte >> 4]);
                out.push_back(digits[byte & 15]);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
}

} // namespace

bool RegistryNameLess::operator()(const std::string& a, const std::string& b) const {
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        unsigned char x = asciiLower(a[i]);
        unsigned char y = asciiLower(b[i]);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

RegistryValues parseRegistryText(std::string_view content) {
    RegistryValues values;
    bool inKey = false;
    while (!content.empty()) {
        size_t end = content.find('\n');
        std::string_view line = trimmed(content.substr(0, end));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inKey = line.back() == ']' &&
                    equalNoCase(trimmed(line.substr(1, line.size() - 2)), kRegistryKey);
            continue;
        }
        if (!inKey)
            continue;
        if (auto parsed = parseValueLine(line)) {
            values.erase(parsed->first); // the newest spelling of the name is kept
            values.emplace(std::move(parsed->first), std::move(parsed->second));
        }
    }
    return values;
}

std::string formatRegistryText(const RegistryValues& values) {
    std::string out = "; Velomira settings. Texts are quoted with \\\\ \\\" \\n \\r \\t \\xHH "
                      "escapes; numbers are dword:<8 hex digits>.\n[";
    out += kRegistryKey;
    out += "]\n";
    for (const auto& [name, value] : values) {
        appendQuoted(out, name);
        out.push_back('=');
        if (const auto* text = std::get_if<std::string>(&value)) {
            appendQuoted(out, *text);
        } else {
            char number[16];
            static const char digits[] = "0123456789abcdef";
            uint32_t v = std::get<uint32_t>(value);
            for (int i = 7; i >= 0; --i, v >>= 4)
                number[i] = digits[v & 15];
            out += "dword:";
            out.append(number, 8);
        }
        out.push_back('\n');
    }
    return out;
}

} // namespace velomira
