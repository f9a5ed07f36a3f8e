#include "cli/terminal_progress.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace velomira {

TerminalProgress::TerminalProgress(int totalPictures, std::FILE* out)
    : total_(totalPictures), out_(out), enabled_(out != nullptr && isatty(fileno(out)) == 1),
      start_(std::chrono::steady_clock::now()) {}

TerminalProgress::~TerminalProgress() {
    finish();
}

void TerminalProgress::finish() {
    const std::lock_guard<std::mutex> guard(lock_);
    if (!drawn_)
        return;
    std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = false;
}

std::string TerminalProgress::lineFor(int picture, int total, double secondsLeft) {
    constexpr int kWidth = 30;
    const int done = total > 0 ? (picture - 1) * kWidth / total : 0;
    std::string bar(static_cast<std::size_t>(done), '#');
    bar.append(static_cast<std::size_t>(kWidth - done), '.');
    char text[128];
    if (secondsLeft < 0) {
        std::snprintf(text, sizeof text, "[%s] picture %d of %d", bar.c_str(), picture, total);
    } else {
        const long s = static_cast<long>(secondsLeft + 0.5);
        std::snprintf(text, sizeof text, "[%s] picture %d of %d, %ld:%02ld left", bar.c_str(),
                      picture, total, s / 60, s % 60);
    }
    return text;
}

void TerminalProgress::update(int picture) {
    if (!enabled_)
        return;
    double left = -1;
    if (picture > 1) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        left = elapsed / (picture - 1) * (total_ - picture + 1);
    }
    draw(lineFor(picture, total_, left));
}

void TerminalProgress::draw(const std::string& line) {
    const std::lock_guard<std::mutex> guard(lock_);
    std::fprintf(out_, "\r%s\033[K", line.c_str());
    std::fflush(out_);
    drawn_ = true;
}

std::string TerminalProgress::lineFor(const RunProgress& progress) {
    constexpr int kWidth = 30;
    const int percent = progressPercent(progress);
    std::string bar(static_cast<std::size_t>(percent * kWidth / 100), '#');
    bar.append(kWidth - bar.size(), '.');
    char text[160];
    const int written = std::snprintf(text, sizeof text, "[%s] picture %d of %d, %d%%", bar.c_str(),
                                      progress.picture, progress.totalPictures, percent);
    std::string line(text, static_cast<std::size_t>(std::max(0, written)));
    if (const std::optional<long> left = secondsLeft(progress)) {
        std::snprintf(text, sizeof text, ", %ld:%02ld left", *left / 60, *left % 60);
        line += text;
    }
    return line;
}

void TerminalProgress::update(const RunProgress& progress) {
    if (enabled_)
        draw(lineFor(progress));
}

} // namespace velomira
