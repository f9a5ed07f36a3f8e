#pragma once
// The start-up steps both programs take once their folders exist: the imaging library checked
// on its built-in pictures, and the caption fonts of this user.
#include "app/error_log.h"
#include "platform/failure.h"
#include "render/caption_fonts.h"

#include <filesystem>
#include <optional>

namespace velomira {

// Starts the imaging library and decodes its test pictures; the failure (written to the error
// log too) means the program cannot make a single frame and must end.
std::optional<Failure> startImageLibrary(const ErrorLog& errorLog,
                                         const std::filesystem::path& programFolder);

// The caption fonts found in the system's and this user's font folders.
CaptionFontTable userCaptionFonts();

} // namespace velomira
