#pragma once
// The start-up check that the imaging library can really decode pictures: it encodes one
// icon and decodes four tiny pictures kept in the program, so a library without its format
// modules is found before any album is touched.
#include "app/error_log.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>

namespace velomira {

struct EmbeddedPicture {
    const char* format; // "PNG", "JPEG", "GIF", "BMP": only for the failure text
    const unsigned char* bytes;
    std::size_t length;
};

// The four built-in test pictures: PNG, JPEG, GIF and BMP, in that order.
std::span<const EmbeddedPicture> validationPictures();

// Decodes every picture from memory. 1 when all decode, else 0 with the library's reason for
// the first failure in *failure (when given).
int decodePictures(std::span<const EmbeddedPicture> pictures, std::string* failure);

// Where mode 1 reports a failed check.
struct ImageValidationReport {
    ErrorLog log; // empty: the report is dropped
    std::filesystem::path programFolder;
};

// 1 when the library encodes the icon and decodes the four built-in pictures, else 0. Mode 0
// only tests; mode 1 also writes the failure ("validateImageMagick", the library's reason and
// the program folder) to the error log. There is nothing to repair here: the system library
// finds its own modules.
int validateImageMagick(int mode, const ImageValidationReport& report = {});
int validateImageMagick(int mode, std::span<const EmbeddedPicture> pictures,
                        const ImageValidationReport& report);

} // namespace velomira
