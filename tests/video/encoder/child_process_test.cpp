#include "video/child_process.h"

#include "media_tools.h"
#include "platform/unique_fd.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace velomira {
namespace {

using testing::readWholeFile;
using testing::ScopedEnvironment;
using testing::TempFolder;

ChildSpec fakeSpec(std::vector<std::string> arguments = {}) {
    return {VELOMIRA_FAKE_ENCODER, std::move(arguments), {}, -1};
}

TEST(ChildProcess, ExitCodesInputAndWorkingFolderArriveAsGiven) {
    TempFolder folder;
    const std::string log = folder.file("log.txt");
    ScopedEnvironment logTo("FAKE_ENCODER_LOG", log);
    {
        ScopedEnvironment mode("FAKE_ENCODER_MODE", "early");
        ScopedEnvironment code("FAKE_ENCODER_EXIT", "7");
        ChildProcess child;
        StartFailure failure;
        ASSERT_TRUE(child.start(fakeSpec(), failure));
        const ChildExit exit = child.wait();
        EXPECT_TRUE(exit.readable);
        EXPECT_EQ(exit.code, 7);
    }
    // Standard input from a pipe and a working folder with a space in its name.
    std::filesystem::create_directories(folder.path() / "work dir");
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    UniqueFd readEnd(ends[0]), writeEnd(ends[1]);
    ChildProcess child;
    StartFailure failure;
    ASSERT_TRUE(child.start(
        {VELOMIRA_FAKE_ENCODER, {"-i", "pipe:0"}, folder.path() / "work dir", readEnd.get()},
        failure));
    readEnd.reset();
    const std::string bytes(100000, 'j');
    ASSERT_EQ(write(writeEnd.get(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
    writeEnd.reset();
    const ChildExit exit = child.wait();
    EXPECT_EQ(exit.code, 0);
    const std::string lines = readWholeFile(log);
    EXPECT_NE(lines.find("mode=early input=stdin bytes=0"), std::string::npos) << lines;
    EXPECT_NE(
        lines.find("mode=ok input=stdin bytes=100000 cwd=" + (folder.path() / "work dir").string()),
        std::string::npos)
        << lines;
}

TEST(ChildProcess, TalkativeChildNeverBlocksAndOnlyTheStartIsKept) {
    ScopedEnvironment mode("FAKE_ENCODER_MODE", "spew");
    ScopedEnvironment amount("FAKE_ENCODER_SPEW", "2000000");
    ChildProcess child;
    StartFailure failure;
    ASSERT_TRUE(child.start(fakeSpec(), failure));
    ASSERT_TRUE(child.waitFor(std::chrono::seconds(30)));
    EXPECT_EQ(child.wait().code, 1);
    EXPECT_EQ(child.errorOutput(), std::string(kKeptErrorBytes, 'x'));
}

TEST(ChildProcess, StartFailuresAreReportedWithTheirErrno) {
    ChildProcess child;
    StartFailure failure;
    EXPECT_FALSE(child.start({"/nonexistent/tool/ffmpeg", {}, {}, -1}, failure));
    EXPECT_EQ(failure.stage, StartStage::Spawn);
    EXPECT_EQ(failure.error, ENOENT);
    EXPECT_FALSE(child.started());

    ChildProcess inMissingFolder;
    EXPECT_FALSE(
        inMissingFolder.start({VELOMIRA_FAKE_ENCODER, {}, "/nonexistent/folder", -1}, failure));
    EXPECT_EQ(failure.stage, StartStage::Spawn);
}

TEST(ChildProcess, HangingChildIsKilledAndCollected) {
    ScopedEnvironment mode("FAKE_ENCODER_MODE", "hang");
    ChildProcess child;
    StartFailure failure;
    ASSERT_TRUE(child.start(fakeSpec(), failure));
    EXPECT_FALSE(child.waitFor(std::chrono::milliseconds(100)));
    EXPECT_FALSE(child.hasEnded());
    child.kill();
    const ChildExit exit = child.wait();
    EXPECT_TRUE(exit.readable);
    EXPECT_EQ(exit.code, 128 + SIGKILL);

    // The destructor ends a child still running instead of waiting for it forever.
    const auto start = std::chrono::steady_clock::now();
    {
        ChildProcess abandoned;
        ASSERT_TRUE(abandoned.start(fakeSpec(), failure));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ChildProcess, DescriptorsWithoutCloseOnExecDoNotLeakIntoTheChild) {
    // A pipe made elsewhere without close-on-exec: if the child kept a copy of its write end,
    // the reader here would never see the end of the pipe.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    UniqueFd readEnd(ends[0]), writeEnd(ends[1]);
    ScopedEnvironment mode("FAKE_ENCODER_MODE", "hang");
    ChildProcess child;
    StartFailure failure;
    ASSERT_TRUE(child.start(fakeSpec(), failure));
    writeEnd.reset();
    pollfd entry{readEnd.get(), POLLIN, 0};
    ASSERT_EQ(poll(&entry, 1, 2000), 1);
    char byte;
    EXPECT_EQ(read(readEnd.get(), &byte, 1), 0);
    child.kill();
}

TEST(ChildProcess, ChildDiesWithItsOwnerEvenWhenTheOwnerIsKilled) {
    // The owner is a real process of its own that starts a hanging child, tells its pid, and
    // is then killed without any clean-up (as by SIGKILL or a second Ctrl+C).
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t owner = ::fork();
    ASSERT_GE(owner, 0);
    if (owner == 0) {
        ::setenv("FAKE_ENCODER_MODE", "hang", 1);
        static ChildProcess child; // never destroyed: the kill below skips every destructor
        StartFailure failure;
        const pid_t pid = child.start(fakeSpec(), failure) ? child.pid() : -1;
        ssize_t ignored = ::write(report[1], &pid, sizeof pid);
        (void)ignored;
        ::pause();
        ::_exit(0);
    }
    ::close(report[1]);
    pid_t child = -1;
    ASSERT_EQ(::read(report[0], &child, sizeof child), static_cast<ssize_t>(sizeof child));
    ::close(report[0]);
    ASSERT_GT(child, 0);
    ::kill(owner, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(owner, &status, 0), owner);
    // Gone, or a zombie waiting for init to collect it: never a running orphan.
    auto running = [&] {
        const std::string stat = readWholeFile("/proc/" + std::to_string(child) + "/stat");
        const std::size_t close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
    };
    for (int i = 0; i < 200 && running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(running());
}

} // namespace
} // namespace velomira
