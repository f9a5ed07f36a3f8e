#include "app/error_log.h"

#include "platform/unique_fd.h"

#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace velomira {

ErrorLog errorLogIn(const std::filesystem::path& workFolder) {
    return ErrorLog{workFolder / "error.log"};
}

void reportError(const ErrorLog& log, std::string_view source, std::string_view text) {
    if (log.file.empty()) {
        return;
    }
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    }
    std::string line = stamp;
    line += ' ';
    line += source;
    line += ": ";
    line += text;
    line += '\n';
    UniqueFd fd(::open(log.file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        return;
    }
    ssize_t ignored = ::write(fd.get(), line.data(), line.size());
    (void)ignored;
}

} // namespace velomira
