// Where a committed video goes: a finished one takes the chosen name, a stopped one goes
// beside an earlier file under the first free "(已停止)" name and never replaces anything.
// Which leftovers a run clears from a folder that machines share: only its own host's.
#include "video/pending_output.h"

#include "video/host_name.h"

#include "support/program_run.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace velomira {
namespace {

using testing::readWholeFile;

TEST(PendingOutputTest, AStoppedVideoNameFitsTheFileSystem) {
    const std::string name = stoppedVideoName("/v/" + std::string(240, 'a') + ".mp4", 3);
    EXPECT_EQ(name, "/v/" + std::string(255 - 18, 'a') + " (已停止 3).mp4");
}

TEST(PendingOutputTest, AStoppedVideoNeverReplacesAnEarlierFile) {
    struct Case {
        std::vector<std::string> existing; // files in the folder before the commit
        EarlierFile earlier;
        std::string kept;
    };
    const std::vector<Case> cases{
        {{}, EarlierFile::Keep, "clip.mp4"},
        {{"clip.mp4"}, EarlierFile::Keep, "clip (已停止).mp4"},
        {{"clip.mp4", "clip (已停止).mp4"}, EarlierFile::Keep, "clip (已停止 2).mp4"},
        {{"clip.mp4"}, EarlierFile::Replace, "clip.mp4"},
    };
    for (const Case& c : cases) {
        testing::TempFolder folder;
        for (const std::string& name : c.existing)
            folder.writeFile(name, "earlier " + name);
        std::string failure;
        {
            PendingOutput output(folder.file("clip.mp4"));
            std::ofstream(output.path(), std::ios::binary) << "new video";
            ASSERT_TRUE(output.commit(failure, c.earlier)) << failure;
            EXPECT_EQ(output.keptPath(), folder.file(c.kept));
        }
        EXPECT_EQ(readWholeFile(folder.file(c.kept)), "new video") << c.kept;
        for (const std::string& name : c.existing) {
            if (name != c.kept) {
                EXPECT_EQ(readWholeFile(folder.file(name)), "earlier " + name) << name;
            }
        }
        const auto files = std::distance(std::filesystem::directory_iterator(folder.path()), {});
        EXPECT_EQ(static_cast<std::size_t>(files),
                  c.existing.size() + (c.earlier == EarlierFile::Keep ? 1 : 0))
            << "no temporary file is left behind";
    }
}

// The host name the code under test sees, for as long as it lives.
struct HostNameAs {
    explicit HostNameAs(const std::string& name) { ::setenv("VELOMIRA_HOSTNAME", name.c_str(), 1); }
    ~HostNameAs() { ::unsetenv("VELOMIRA_HOSTNAME"); }
};

long endedProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(PendingOutputTest, OnlyThisHostsLeftoversOfEndedProcessesGo) {
    const HostNameAs host("render-a.example");
    EXPECT_EQ(leftoverHostName(), "render-a.example");
    const std::string gone = std::to_string(endedProcess());
    const std::string running = std::to_string(::getppid());
    const auto daysAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    struct Case {
        std::string name;
        bool old; // not written to for two days
        bool removed;
    };
    const std::vector<Case> cases{
        {".a.mp4." + gone + "-0@render-a.example.part.mp4", false, true},
        {".a.mp4." + gone + "-1@render-a.example.part-17.mp4", false, true},
        {".a.mp4." + gone + "-2@render-a.example.part-cut.mp4", false, true},
        {".b.mp4." + running + "-0@render-a.example.part.mp4", true, false},
        // Another machine's process ids mean nothing here, however old its file is.
        {".c.mp4." + gone + "-0@render-b.example.part.mp4", true, false},
        {".c@x.mp4." + gone + "-0@render-b.part.mp4", false, false},
        // Names without a host: only when surely no machine writes them any more.
        {".d.mp4." + gone + "-0.part.mp4", false, false},
        {".e.mp4." + gone + "-0.part.mp4", true, true},
        {".f@x.mp4." + gone + "-0.part.mp4", true, true},
        {".g.mp4." + running + "-0.part.mp4", true, false},
        {".h.mp4.lock", true, false},
        {"i.mp4", true, false},
    };
    testing::TempFolder folder;
    for (const Case& c : cases) {
        folder.writeFile(c.name, "partial");
        if (c.old)
            std::filesystem::last_write_time(folder.file(c.name), daysAgo);
    }
    int expected = 0;
    for (const Case& c : cases)
        expected += c.removed;
    EXPECT_EQ(removeStalePendingFiles(folder.path().string()), expected);
    for (const Case& c : cases)
        EXPECT_EQ(std::filesystem::exists(folder.file(c.name)), !c.removed) << c.name;
}

TEST(PendingOutputTest, TheTemporaryNameCarriesTheHost) {
    testing::TempFolder folder;
    const HostNameAs host("render-b");
    PendingOutput output(folder.file("clip.mp4"));
    const std::string name = std::filesystem::path(output.path()).filename().string();
    EXPECT_EQ(name, ".clip.mp4." + std::to_string(::getpid()) + "-0@render-b.part.mp4");
    // A long name keeps its host too, and the longest still leaves room for the cover step.
    const std::string longest =
        pendingFileName(std::string(250, 'x'), 999999999, 99, std::string(63, 'h'));
    EXPECT_LE(longest.size(), kMaxPendingNameBytes);
    EXPECT_NE(longest.find("@" + std::string(63, 'h') + ".part.mp4"), std::string::npos);
}

} // namespace
} // namespace velomira
