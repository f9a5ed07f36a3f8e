#include "ui/window_title.h"

#include "album/project_file.h"

#include <cstdio>

namespace velomira {

std::string versionText() {
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f", kProductVersion);
    return text;
}

std::string windowTitle(const ProjectFileState& file, bool projectCurrent) {
    std::string title = std::string(kProductName) + "(V" + versionText() + ")";
    if (projectCurrent || !file.path.empty())
        title += " - " + file.name;
    return title;
}

} // namespace velomira
