// Batch locks between machines that share a folder: a lock names its host, and only this host's
// locks of ended processes are taken over. The host is set through the environment, as two
// machines would differ.
#include "cli/output_lock.h"

#include "support/program_run.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velomira {
namespace {

TEST(OutputLockTest, OnlyThisHostsEndedHoldersAreTakenOver) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string gone = std::to_string(child);
    const std::string running = std::to_string(::getppid());
    struct Case {
        std::string holder; // the lock file's content
        std::string host;   // this machine's name
        LockState state;
    };
    const std::vector<Case> cases{
        {"render-a " + gone + "\n", "render-a", LockState::Held},
        {"render-a " + gone + "\n", "render-b", LockState::Busy},
        {"render-a " + running + "\n", "render-b", LockState::Busy},
        {"render-b " + running + "\n", "render-b", LockState::BusyHere},
    };
    for (const Case& c : cases) {
        testing::TempFolder folder;
        const std::string output = folder.file("v.mp4");
        folder.writeFile(".v.mp4.lock", c.holder);
        ::setenv("VELOMIRA_HOSTNAME", c.host.c_str(), 1);
        std::string text;
        {
            OutputLock lock;
            EXPECT_EQ(lock.acquire(output, text), c.state) << c.holder << " on " << c.host;
            if (c.state == LockState::Held) {
                EXPECT_EQ(testing::readWholeFile(lockPathFor(output)),
                          c.host + " " + std::to_string(::getpid()) + "\n");
            } else {
                EXPECT_NE(text.find(c.holder.substr(0, c.holder.find(' '))), std::string::npos)
                    << text;
                EXPECT_EQ(testing::readWholeFile(lockPathFor(output)), c.holder);
            }
        }
        ::unsetenv("VELOMIRA_HOSTNAME");
        const auto files = std::distance(std::filesystem::directory_iterator(folder.path()), {});
        EXPECT_EQ(files, c.state == LockState::Held ? 0 : 1) << "nothing else is left behind";
    }
}

} // namespace
} // namespace velomira
