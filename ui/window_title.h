#pragma once
// The program's name and version as the window title and the about box show them.
#include <string>

namespace velomira {

struct ProjectFileState;

inline constexpr const char* kProductName = "Velomira";
inline constexpr double kProductVersion = 8.3;

// "8.3"
std::string versionText();

// The window title: "Velomira(V8.3)" before any project is current, "Velomira(V8.3) - name"
// once one is (a new project is "新项目").
std::string windowTitle(const ProjectFileState& file, bool projectCurrent = false);

} // namespace velomira
