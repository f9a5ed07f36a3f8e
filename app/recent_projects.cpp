#include "app/recent_projects.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

std::string keyOf(std::size_t index) {
    return "recent_project_" + std::to_string(index + 1);
}

} // namespace

std::vector<std::string> readRecentProjects(const RegistryFile& file) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < kRecentProjectLimit; ++i) {
        std::string path;
        if (readRegistryText(file, keyOf(i), path) && !path.empty())
            paths.push_back(path);
    }
    return paths;
}

int writeRecentProjects(const RegistryFile& file, const std::vector<std::string>& paths) {
    int allWritten = 1;
    for (std::size_t i = 0; i < kRecentProjectLimit; ++i)
        allWritten &= writeRegistryText(file, keyOf(i), i < paths.size() ? paths[i] : "");
    return allWritten;
}

std::vector<std::string> withRecentProject(std::vector<std::string> paths,
                                           const std::string& path) {
    paths = withoutRecentProject(std::move(paths), path);
    paths.insert(paths.begin(), path);
    if (paths.size() > kRecentProjectLimit)
        paths.resize(kRecentProjectLimit);
    return paths;
}

std::vector<std::string> withoutRecentProject(std::vector<std::string> paths,
                                              const std::string& path) {
    paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
    return paths;
}

RecentProjectProblem recentProjectProblem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        if (errno == ENOENT && ::access(folder.c_str(), F_OK) != 0)
            return {
                "项目所在的文件夹不存在（可能是未连接的磁盘或网络位置），已从“我的项目”中移除：\n" +
                    path,
                true};
        if (errno == ENOENT || errno == ENOTDIR)
            return {"项目文件不存在，已从“我的项目”中移除：\n" + path, true};
        return {"无法访问项目文件（磁盘或网络位置可能未连接）：\n" + path, false};
    }
    if (S_ISDIR(info.st_mode))
        return {"这是一个文件夹，不是项目文件，已从“我的项目”中移除：\n" + path, true};
    if (::access(path.c_str(), R_OK) != 0)
        return {"没有读取项目文件的权限：\n" + path, false};
    return {};
}

} // namespace velomira
