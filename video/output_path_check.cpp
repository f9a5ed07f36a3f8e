#include "video/output_path_check.h"

#include "video/generation_plan.h"

#include <cerrno>
#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

std::string outputPathProblem(const std::string& path) {
    if (path.empty())
        return "没有指定视频保存路径。";
    if (path.back() == '/')
        return "视频保存路径 " + path + " 是一个文件夹，请指定文件名。";
    const std::filesystem::path final(withMp4Extension(path));
    struct stat info {};
    for (const std::filesystem::path& candidate : {std::filesystem::path(path), final}) {
        if (::stat(candidate.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return "视频保存路径 " + candidate.string() + " 是一个文件夹，请指定文件名。";
    }
    const std::filesystem::path folder =
        final.parent_path().empty() ? std::filesystem::path(".") : final.parent_path();
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return "视频保存路径 " + final.string() + " 所在的文件夹不存在。";
    long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    if (final.filename().string().size() > static_cast<std::size_t>(nameMax))
        return "视频文件名太长（最多 " + std::to_string(nameMax) + " 字节）：" + final.string();
    return {};
}

} // namespace velomira
