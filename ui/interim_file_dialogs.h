#pragma once
// Stand-in until the file dialog helpers land.
#include "platform/dialogs.h"

#include <optional>
#include <string>
#include <vector>

namespace velomira {

struct FileFilter {
    std::string label;
    std::string patterns;
};

inline std::optional<std::string> openOneFile(const std::string&, const std::vector<FileFilter>&,
                                              std::string&) {
    return std::nullopt;
}
inline std::vector<std::string> openSeveralFiles(const std::string&, const std::vector<FileFilter>&,
                                                 std::string&) {
    return {};
}
inline std::optional<std::string> saveOneFile(const std::string&, const std::vector<FileFilter>&,
                                              const std::string&, std::string&,
                                              const std::string&) {
    return std::nullopt;
}

} // namespace velomira
