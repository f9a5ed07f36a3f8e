// The progress bar on a real terminal (a pseudo-terminal): its line must be ended before the
// program prints its closing line, and only once.
#include "cli/terminal_progress.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace velomira {
namespace {

std::string drain(int fd) {
    std::string text;
    char buffer[512];
    pollfd ready{fd, POLLIN, 0};
    while (poll(&ready, 1, 100) > 0) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

TEST(TerminalProgress, FinishEndsTheBarsLineOnceBeforeTheClosingLine) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    termios mode{};
    tcgetattr(slave, &mode);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST); // bytes as written, no \n -> \r\n
    tcsetattr(slave, TCSANOW, &mode);
    std::FILE* terminal = fdopen(slave, "w");
    ASSERT_NE(terminal, nullptr);
    {
        TerminalProgress progress(3, terminal);
        progress.update(1);
        progress.update(2);
        progress.finish();
        std::fputs("video: out.mp4\n", terminal);
        std::fflush(terminal);
        progress.finish(); // and the destructor: nothing more
    }
    const std::string text = drain(master);
    EXPECT_NE(text.find("picture 2 of 3"), std::string::npos) << text;
    const std::size_t closing = text.find("video: out.mp4");
    ASSERT_NE(closing, std::string::npos) << text;
    EXPECT_EQ(text[closing - 1], '\n') << "the closing line starts a line of its own";
    EXPECT_EQ(text.substr(closing), "video: out.mp4\n") << "no empty line after it";
    std::fclose(terminal);
    close(master);

    // Not a terminal: nothing drawn, nothing ended.
    std::FILE* file = std::tmpfile();
    {
        TerminalProgress quiet(2, file);
        quiet.update(1);
        quiet.finish();
    }
    EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
}

} // namespace
} // namespace velomira
