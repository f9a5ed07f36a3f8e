#include "app/running_copies.h"

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

// Field 22 of /proc/<pid>/stat; empty when the process does not exist.
std::string startTimeOf(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return {};
    // The command name (field 2) may hold spaces and parentheses: count from its end.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return {};
    // at: the space before field 3, then before each following field up to 22.
    std::size_t at = close + 1;
    for (int field = 3; field < 22 && at != std::string::npos; ++field)
        at = line.find(' ', at + 1);
    if (at == std::string::npos)
        return {};
    const std::size_t end = line.find(' ', at + 1);
    return line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
}

bool allDigits(const std::string& text) {
    return !text.empty() && text.size() <= 20 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::string runningCopyName() {
    const std::string pid = std::to_string(::getpid());
    return pid + "-" + startTimeOf(pid);
}

bool isCopyName(const std::string& name) {
    const std::size_t dash = name.find('-');
    return dash != std::string::npos && allDigits(name.substr(0, dash)) &&
           allDigits(name.substr(dash + 1));
}

bool copyIsRunning(const std::string& name) {
    if (!isCopyName(name))
        return false;
    const std::size_t dash = name.find('-');
    return startTimeOf(name.substr(0, dash)) == name.substr(dash + 1);
}

int removeFoldersOfEndedCopies(const std::filesystem::path& base) {
    int removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(base, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        struct stat info {};
        if (!isCopyName(name) || ::lstat(entry->path().c_str(), &info) != 0 ||
            !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || copyIsRunning(name))
            continue;
        std::error_code ignored;
        if (std::filesystem::remove_all(entry->path(), ignored) > 0 && !ignored)
            ++removed;
    }
    return removed;
}

} // namespace velomira
