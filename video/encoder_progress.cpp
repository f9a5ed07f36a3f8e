#include "video/encoder_progress.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira {

namespace {

constexpr int kNameDraws = 2000;
constexpr off_t kTailBytes = 4096; // several entries: the last complete one is in it

} // namespace

EncoderProgressFile::~EncoderProgressFile() {
    if (!path_.empty())
        ::unlink(path_.c_str());
}

bool EncoderProgressFile::create(const std::filesystem::path& folder, std::mt19937& random) {
    std::uniform_int_distribution<int> number(10000, 99999);
    for (int draw = 0; draw < kNameDraws; ++draw) {
        const std::filesystem::path candidate =
            folder / ("progress_" + std::to_string(number(random)) + ".txt");
        UniqueFd file(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (file.valid()) {
            path_ = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

CommandLine withProgressReport(const CommandLine& command, const std::string& path) {
    if (path.empty())
        return command;
    CommandLine line;
    line.text = " -progress \"" + path + "\" -stats_period 0.2" + command.text;
    line.arguments = {"-progress", path, "-stats_period", "0.2"};
    line.arguments.insert(line.arguments.end(), command.arguments.begin(), command.arguments.end());
    return line;
}

std::optional<std::int64_t> reportedOutputTime(const std::string& reportText) {
    // An entry ends with its "progress=" line; what follows the last one may be half written.
    const std::size_t end = reportText.rfind("\nprogress=");
    if (end == std::string::npos)
        return std::nullopt;
    static const std::string key = "out_time_us=";
    std::size_t at = reportText.rfind(key, end);
    if (at == std::string::npos || (at > 0 && reportText[at - 1] != '\n'))
        return std::nullopt;
    at += key.size();
    std::int64_t value = 0;
    const auto [next, error] =
        std::from_chars(reportText.data() + at, reportText.data() + end, value);
    if (error != std::errc() || (next != reportText.data() + end && *next != '\n'))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> reportedOutputTime(const std::filesystem::path& path) {
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0)
        return std::nullopt;
    const off_t start = info.st_size > kTailBytes ? info.st_size - kTailBytes : 0;
    std::string text(static_cast<std::size_t>(info.st_size - start), '\0');
    const ssize_t got = ::pread(file.get(), text.data(), text.size(), start);
    if (got <= 0)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(got));
    return reportedOutputTime(text);
}

} // namespace velomira
