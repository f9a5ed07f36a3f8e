#include "album/project_text.h"

#include "app/text_conversion.h"

#include <cstdint>
#include <cstdio>

namespace velomira {

namespace {

struct Utf8Char {
    std::size_t length = 0; // bytes of the sequence; 0 when it is not well-formed
    std::uint32_t code = 0;
};

// Decodes the well-formed sequence at the start of text (no overlong forms, no surrogates,
// nothing above U+10FFFF).
Utf8Char decodeUtf8(std::string_view text) {
    const auto* b = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t left = text.size();
    const unsigned char lead = b[0];
    Utf8Char c;
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        return {1, lead};
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return c;
    }
    if (length > left) {
        return c;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((b[i] & 0xC0) != 0x80) {
            return c;
        }
        code = (code << 6) | (b[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return c;
    }
    return {length, code};
}

void appendEscape(std::string& out, std::uint32_t code) {
    char buffer[16];
    if (code > 0xFFFF) {
        const std::uint32_t v = code - 0x10000;
        std::snprintf(buffer, sizeof buffer, "\\u%04x", 0xD800 + (v >> 10));
        out += buffer;
        std::snprintf(buffer, sizeof buffer, "\\u%04x", 0xDC00 + (v & 0x3FF));
        out += buffer;
        return;
    }
    std::snprintf(buffer, sizeof buffer, "\\u%04x", code);
    out += buffer;
}

// GBK bytes of one character, or false when GBK has no such character.
bool convertOne(iconv_t converter, std::string_view sequence, std::string& out) {
    char buffer[8];
    char* in = const_cast<char*>(sequence.data());
    std::size_t inLeft = sequence.size();
    char* target = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(converter, &in, &inLeft, &target, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        return false;
    }
    out.append(buffer, static_cast<std::size_t>(target - buffer));
    return true;
}

} // namespace

std::string projectTextToGbk(std::string_view utf8Json) {
    // Without "//IGNORE": a character GBK lacks has to fail so that it can be escaped.
    IconvHandle converter("GBK", "UTF-8");
    std::string out;
    out.reserve(utf8Json.size());
    bool inString = false;
    std::size_t at = 0;
    while (at < utf8Json.size()) {
        const char byte = utf8Json[at];
        if (static_cast<unsigned char>(byte) < 0x80) {
            out += byte;
            if (inString && byte == '\\' && at + 1 < utf8Json.size()) {
                // The escaped character is ASCII in printed JSON; copy it as it is.
                out += utf8Json[at + 1];
                at += 2;
                continue;
            }
            if (byte == '"') {
                inString = !inString;
            }
            ++at;
            continue;
        }
        const Utf8Char c = decodeUtf8(utf8Json.substr(at));
        const std::size_t length = c.length == 0 ? 1 : c.length;
        const bool converted = c.length != 0 && converter.valid() &&
                               convertOne(converter.get(), utf8Json.substr(at, length), out);
        if (!converted && inString) {
            appendEscape(out, c.length == 0 ? 0xFFFD : c.code);
        }
        at += length;
    }
    return out;
}

std::string projectTextFromGbk(std::string_view gbk) {
    return convertText("GBK", "UTF-8", gbk).value_or(std::string());
}

JsonTree parseProjectJson(std::string_view utf8Json) {
    // cJSON refuses a null pointer even with length 0.
    if (utf8Json.empty()) {
        return JsonTree();
    }
    return JsonTree(cJSON_ParseWithLengthOpts(utf8Json.data(), utf8Json.size(), nullptr, 0));
}

} // namespace velomira
