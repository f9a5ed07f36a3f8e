#pragma once
// Where internal failures are written down: one line per report in error.log of the work
// folder. Nothing waits for a report or depends on it succeeding.
#include <filesystem>
#include <string_view>

namespace velomira {

struct ErrorLog {
    std::filesystem::path file; // empty: reports are dropped
};

ErrorLog errorLogIn(const std::filesystem::path& workFolder);

// Appends "time source: text" as one write, so reports of several threads and several running
// copies never interleave inside a line.
void reportError(const ErrorLog& log, std::string_view source, std::string_view text);

} // namespace velomira
