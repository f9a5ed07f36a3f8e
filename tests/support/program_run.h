#pragma once
// Runs a program as a child of the test, with an argv array and no shell: standard input from
// /dev/null, the test's own environment with some entries replaced, and its output in files or
// captured through a pipe.
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velomira::testing {

struct ProgramLaunch {
    // argv[0] is a path, or a name looked up in PATH.
    std::vector<std::string> argv = {};
    // NAME=value entries that take the place of the test's own NAME (or are added).
    std::vector<std::string> environment = {};
    // Where standard output and standard error go; empty: /dev/null.
    std::string outFile = {};
    std::string errFile = {};
};

// What a finished program left: its exit code (128 + the signal that ended it; -1 when it never
// ran) and what it wrote.
struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The child's pid, or -1 when the program could not be started.
pid_t startProgram(const ProgramLaunch& launch);

// Waits for a child: its exit code as in ProgramRun; -1 for a pid that is no child.
int waitForProgram(pid_t pid);

// Waits for a child and reads the files its standard output and standard error went to.
ProgramRun finishProgram(pid_t pid, const std::string& outFile, const std::string& errFile);

// Runs the program to its end with its standard output captured; its standard error stays the
// test's own, so err is empty.
ProgramRun programOutput(const std::vector<std::string>& argv);

// The environment entries that give a program a home folder of its own, its settings under
// home/config.
std::vector<std::string> privateHome(const std::filesystem::path& home);

// The bytes of a file; empty when it cannot be read.
std::string readWholeFile(const std::string& path);

} // namespace velomira::testing
