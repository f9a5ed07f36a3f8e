#include "ui/window_title.h"

#include <cstdio>

namespace velomira {

std::string versionText() {
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f", kProductVersion);
    return text;
}

std::string windowTitle(const ProjectFileState& file) {
    std::string title = std::string(kProductName) + "(V" + versionText() + ")";
    if (!file.path.empty())
        title += " - " + file.name;
    return title;
}

} // namespace velomira
