#include "app/file_problem_text.h"

#include <cerrno>
#include <cstring>

namespace velomira {

namespace {

std::string causeOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "文件不存在";
    case EACCES:
    case EPERM:
        return "没有访问权限";
    case EROFS:
        return "只读的文件系统，不能写入";
    case ENOSPC:
        return "磁盘空间不足";
    case EDQUOT:
        return "超出磁盘配额";
    case EFBIG:
        return "文件超过了允许的大小上限";
    case EISDIR:
        return "这是一个文件夹，不是文件";
    case ENAMETOOLONG:
        return "文件名太长";
    default:
        return std::strerror(error);
    }
}

} // namespace

std::string fileProblemText(int error, const std::string& path) {
    return causeOf(error) + ": " + path;
}

} // namespace velomira
