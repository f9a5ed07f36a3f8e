// The program-running harness the program tests rely on: a wrong exit code or lost output here
// would let those tests pass for the wrong reason.
#include "support/program_run.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira::testing {
namespace {

TEST(ProgramRunTest, ExitCodesSayHowTheProgramEnded) {
    struct Case {
        std::vector<std::string> argv;
        int exitCode;
    };
    const Case cases[] = {
        {{"sh", "-c", "exit 0"}, 0},
        {{"sh", "-c", "exit 3"}, 3},
        {{"sh", "-c", "kill -TERM $$"}, 128 + 15},
        {{"sh", "-c", "kill -KILL $$"}, 128 + 9},
        {{"sh", "-c", "cat"}, 0}, // standard input is empty, so cat ends
        {{"/nonexistent/program"}, -1},
        {{}, -1},
    };
    for (const Case& c : cases) {
        const std::string shown = c.argv.empty() ? "(no argv)" : c.argv.back();
        EXPECT_EQ(waitForProgram(startProgram({.argv = c.argv})), c.exitCode) << shown;
        EXPECT_EQ(programOutput(c.argv).exitCode, c.exitCode) << shown;
    }
}

TEST(ProgramRunTest, OutputReachesTheFilesOrThePipe) {
    TempFolder folder;
    const std::vector<std::string> argv{"sh", "-c", "printf 'out\\0put'; printf err >&2; exit 2"};
    const std::string out = folder.file("out.txt");
    const std::string err = folder.file("err.txt");
    const ProgramRun run =
        finishProgram(startProgram({.argv = argv, .outFile = out, .errFile = err}), out, err);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, std::string("out\0put", 7));
    EXPECT_EQ(run.err, "err");

    const ProgramRun piped = programOutput(argv);
    EXPECT_EQ(piped.exitCode, 2);
    EXPECT_EQ(piped.out, std::string("out\0put", 7));
    EXPECT_EQ(piped.err, "");
}

TEST(ProgramRunTest, OwnEntriesReplaceTheTestsEnvironment) {
    TempFolder folder;
    const std::string out = folder.file("env.txt");
    const pid_t pid = startProgram(
        {.argv = {"sh", "-c", "echo \"$HOME|$XDG_CONFIG_HOME\"; env | grep -c '^HOME='"},
         .environment = privateHome(folder.path()),
         .outFile = out});
    EXPECT_EQ(finishProgram(pid, out, "").out,
              folder.path().string() + "|" + (folder.path() / "config").string() + "\n1\n");
}

} // namespace
} // namespace velomira::testing
