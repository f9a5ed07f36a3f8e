#pragma once
// The line that tells a user which file a failed read or write was about and why, to go under a
// message's own first sentence: "<cause>: <path>".
#include <string>

namespace velomira {

// The cause of an errno value in the program's words ("文件不存在", "没有写入权限",
// "磁盘空间不足", ...; the system's own text for the rare others), then ": " and the path.
std::string fileProblemText(int error, const std::string& path);

} // namespace velomira
