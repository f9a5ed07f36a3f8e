#pragma once
// "我的项目": the projects last opened or saved, newest first, kept in the settings store
// under recent_project_1 .. recent_project_8.
#include "platform/registry.h"

#include <string>
#include <vector>

namespace velomira {

inline constexpr std::size_t kRecentProjectLimit = 8;

std::vector<std::string> readRecentProjects(const RegistryFile& file);
int writeRecentProjects(const RegistryFile& file, const std::vector<std::string>& paths);

// The list with path first, an earlier place of it dropped, cut to the limit.
std::vector<std::string> withRecentProject(std::vector<std::string> paths, const std::string& path);
std::vector<std::string> withoutRecentProject(std::vector<std::string> paths,
                                              const std::string& path);

// Why a listed project cannot be opened: empty when it can. Missing files (and folders in the
// place of files) are dropped from the list; the other reasons keep the entry.
struct RecentProjectProblem {
    std::string text;
    bool drop = false;
};
RecentProjectProblem recentProjectProblem(const std::string& path);

} // namespace velomira
