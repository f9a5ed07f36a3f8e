#pragma once
// Conversion between GBK and UTF-8 (and any other pair glibc's iconv knows). Memory holds
// UTF-8; GBK is the on-disk form of project files and the unit of the program's byte limits.
#include <cstddef>
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>

namespace velomira {

// Owns one iconv conversion descriptor. Not copyable; a converter carries shift state, so
// every thread opens its own.
class IconvHandle {
  public:
    IconvHandle(const char* toCharset, const char* fromCharset);
    ~IconvHandle();
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

  private:
    iconv_t handle_;
};

// Converts inputBytes bytes of input into output (at most outputCapacity bytes), dropping
// whatever the target set cannot hold and any invalid input. *outLength receives the bytes
// written, also on failure. On success output[*outLength] is set to NUL, so the caller
// reserves one byte beyond outputCapacity. Returns -1 on failure (unknown character set,
// output too small), otherwise the count of irreversible conversions (normally 0).
int iconvStr(const char* fromCharset, const char* toCharset, const char* input, size_t inputBytes,
             char* output, size_t outputCapacity, int* outLength);

// New malloc'd NUL-terminated strings (release with free), or nullptr when an argument is
// null or the conversion fails.
char* gbkToUtf8(const char* text, int* outLength);
char* utf8ToGbk(const char* text, int* outLength);

// Converts a whole text of any length; invalid or unrepresentable input is dropped as with
// iconvStr. Empty when a character set is unknown.
std::optional<std::string> convertText(const char* fromCharset, const char* toCharset,
                                       std::string_view text);

// Byte length of the GBK form of a UTF-8 text. A character GBK cannot hold counts as 2
// bytes (the width of a GBK double-byte character), a byte that is not valid UTF-8 as 1.
size_t gbkByteLength(std::string_view utf8);

// The longest prefix of the text, ending on a character boundary, whose GBK form fits
// maxBytes.
std::string clipToGbkBytes(std::string_view utf8, size_t maxBytes);

} // namespace velomira
