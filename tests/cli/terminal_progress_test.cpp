// The progress bar on a pseudo-terminal: its line is ended once, before the closing line.
#include "cli/terminal_progress.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace velomira {
namespace {

TEST(TerminalProgress, FinishEndsTheBarsLineOnceBeforeTheClosingLine) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    termios mode{};
    tcgetattr(slave, &mode);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST); // the bytes as written
    tcsetattr(slave, TCSANOW, &mode);
    std::FILE* terminal = fdopen(slave, "w");
    ASSERT_NE(terminal, nullptr);
    {
        TerminalProgress progress(3, terminal);
        progress.update(2);
        progress.finish();
        std::fputs("video: out.mp4\n", terminal);
        std::fflush(terminal);
    } // the destructor adds nothing more
    std::string text;
    char buffer[512];
    pollfd ready{master, POLLIN, 0};
    for (ssize_t n = 0; poll(&ready, 1, 100) > 0 && (n = read(master, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    EXPECT_NE(text.find("picture 2 of 3"), std::string::npos) << text;
    const std::size_t closing = text.find("video: out.mp4");
    ASSERT_NE(closing, std::string::npos) << text;
    EXPECT_EQ(text.substr(closing - 1), "\nvideo: out.mp4\n");
    std::fclose(terminal);
    close(master);
}

} // namespace
} // namespace velomira
