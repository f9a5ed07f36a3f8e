#pragma once
// The checkout the tests were built from, for tests that read files shipped in it. Given by
// the test environment rather than __FILE__, which the compiler cache makes relative.
#include <cstdlib>
#include <filesystem>

namespace velomira::testing {

inline std::filesystem::path sourceRoot() {
    const char* root = std::getenv("VELOMIRA_SOURCE_ROOT");
    return root != nullptr ? std::filesystem::path(root) : std::filesystem::current_path();
}

} // namespace velomira::testing
