#include "app/text_conversion.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace velomira {

IconvHandle::IconvHandle(const char* toCharset, const char* fromCharset)
    : handle_(iconv_open(toCharset, fromCharset)) {}

IconvHandle::~IconvHandle() {
    if (valid())
        iconv_close(handle_);
}

namespace {

enum class Outcome { Done, OutputFull, Failed };

// One pass of iconv over the remaining input. glibc with "//IGNORE" skips bad input but still
// ends with EILSEQ, so EILSEQ with all input consumed is a success here. Where it stops on a
// bad sequence without skipping it, the byte is dropped by hand so the walk always advances.
// An incomplete sequence at the very end is dropped too: it can never become a character.
Outcome convertDropping(iconv_t cd, char*& in, size_t& inLeft, char*& out, size_t& outLeft,
                        size_t& irreversible) {
    while (true) {
        char* before = in;
        size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        if (result != static_cast<size_t>(-1)) {
            irreversible += result;
            break;
        }
        int error = errno;
        if (error == E2BIG)
            return Outcome::OutputFull;
        if (error == EILSEQ) {
            if (inLeft == 0)
                break;
            if (in == before) {
                ++in;
                --inLeft;
            }
            continue;
        }
        if (error == EINVAL) {
            in += inLeft;
            inLeft = 0;
            break;
        }
        return Outcome::Failed;
    }
    // Emit whatever closing sequence a stateful target needs.
    if (iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1))
        return errno == E2BIG ? Outcome::OutputFull : Outcome::Failed;
    return Outcome::Done;
}

std::string ignoringTarget(const char* toCharset) {
    return std::string(toCharset) + "//IGNORE";
}

// Wrapper behind gbkToUtf8 and utf8ToGbk: a block of growth × length + 1 bytes, of which the
// converter may fill all but the last, so the terminator always fits.
char* convertToNewBlock(const char* from, const char* to, const char* text, int* outLength,
                        size_t growth) {
    if (!text || !outLength)
        return nullptr;
    size_t length = std::strlen(text);
    if (length > (std::numeric_limits<size_t>::max() - 1) / growth)
        return nullptr;
    size_t capacity = growth * length;
    char* block = static_cast<char*>(std::malloc(capacity + 1));
    if (!block)
        return nullptr;
    if (iconvStr(from, to, text, length, block, capacity, outLength) == -1) {
        std::free(block);
        return nullptr;
    }
    return block;
}

// Length of the well-formed UTF-8 sequence at text, or 0 when it is not one.
size_t utf8SequenceLength(const unsigned char* text, size_t left) {
    unsigned char lead = text[0];
    size_t length = lead < 0x80                    ? 1
                    : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || length > left)
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    return length;
}

// Without a converter: ASCII is one GBK byte, every other character two.
size_t estimatedGbkLength(std::string_view utf8) {
    size_t total = 0;
    auto bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    for (size_t i = 0; i < utf8.size();) {
        size_t length = utf8SequenceLength(bytes + i, utf8.size() - i);
        total += length > 1 ? 2 : 1;
        i += length ? length : 1;
    }
    return total;
}

} // namespace

int iconvStr(const char* fromCharset, const char* toCharset, const char* input, size_t inputBytes,
             char* output, size_t outputCapacity, int* outLength) {
    if (!fromCharset || !toCharset || !output || !outLength || (!input && inputBytes))
        return -1;
    IconvHandle converter(ignoringTarget(toCharset).c_str(), fromCharset);
    if (!converter.valid())
        return -1;
    char* in = const_cast<char*>(input ? input : "");
    size_t inLeft = inputBytes;
    char* out = output;
    size_t outLeft = outputCapacity;
    size_t irreversible = 0;
    Outcome outcome = convertDropping(converter.get(), in, inLeft, out, outLeft, irreversible);
    *outLength = static_cast<int>(out - output);
    if (outcome != Outcome::Done)
        return -1;
    *out = '\0';
    return irreversible > static_cast<size_t>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(irreversible);
}

// A one-byte GBK character can become three UTF-8 bytes (0x80 is the euro sign), so the
// block is sized for that; UTF-8 to GBK never grows.
char* gbkToUtf8(const char* text, int* outLength) {
    return convertToNewBlock("GBK", "UTF-8", text, outLength, 3);
}

char* utf8ToGbk(const char* text, int* outLength) {
    return convertToNewBlock("UTF-8", "GBK", text, outLength, 2);
}

std::optional<std::string> convertText(const char* fromCharset, const char* toCharset,
                                       std::string_view text) {
    if (!fromCharset || !toCharset)
        return std::nullopt;
    IconvHandle converter(ignoringTarget(toCharset).c_str(), fromCharset);
    if (!converter.valid())
        return std::nullopt;
    std::string result(text.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    size_t written = 0;
    size_t irreversible = 0;
    while (true) {
        char* out = result.data() + written;
        size_t outLeft = result.size() - written;
        Outcome outcome = convertDropping(converter.get(), in, inLeft, out, outLeft, irreversible);
        written = static_cast<size_t>(out - result.data());
        if (outcome == Outcome::Done)
            break;
        if (outcome == Outcome::Failed)
            return std::nullopt;
        result.resize(result.size() * 2);
    }
    result.resize(written);
    return result;
}

size_t gbkByteLength(std::string_view utf8) {
    // No "//IGNORE": every character GBK cannot hold has to stop the converter to be counted.
    IconvHandle converter("GBK", "UTF-8");
    if (!converter.valid())
        return estimatedGbkLength(utf8);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    size_t total = 0;
    char scratch[256];
    while (inLeft > 0) {
        char* out = scratch;
        size_t outLeft = sizeof scratch;
        size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
        int error = errno;
        total += static_cast<size_t>(out - scratch);
        if (result != static_cast<size_t>(-1) || error == E2BIG)
            continue;
        if (error != EILSEQ && error != EINVAL)
            return total + estimatedGbkLength(std::string_view(in, inLeft));
        size_t length = utf8SequenceLength(reinterpret_cast<const unsigned char*>(in), inLeft);
        total += length ? 2 : 1;
        length = length ? length : 1;
        in += length;
        inLeft -= length;
    }
    return total;
}

std::string clipToGbkBytes(std::string_view utf8, size_t maxBytes) {
    auto bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    size_t used = 0;
    size_t at = 0;
    while (at < utf8.size()) {
        size_t length = utf8SequenceLength(bytes + at, utf8.size() - at);
        if (length == 0) {
            // A sequence cut off at the end is dropped; a stray byte elsewhere counts as one.
            unsigned char lead = bytes[at];
            size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
            if (expected > utf8.size() - at)
                break;
            length = 1;
        }
        size_t width = length == 1 ? 1 : gbkByteLength(utf8.substr(at, length));
        if (used + width > maxBytes)
            break;
        used += width;
        at += length;
    }
    return std::string(utf8.substr(0, at));
}

} // namespace velomira
