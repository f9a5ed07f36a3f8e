#include "platform/paths.h"

#include "scoped_env.h"
#include "support/temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnv;
using testing::TempFolder;

bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && access((fs::path(folder) / program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

TEST(Paths, ProgramFolderHoldsTheRunningExecutable) {
    fs::path folder = programFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(fs::exists(folder / "platform_tests")) << folder;
}

TEST(Paths, HomeAndTempComeFromTheEnvironment) {
    {
        ScopedEnv temp("TMPDIR", "/var/tmp/mine");
        EXPECT_EQ(systemTempFolder(), "/var/tmp/mine");
    }
    {
        ScopedEnv temp("TMPDIR", "");
        EXPECT_EQ(systemTempFolder(), "/tmp");
    }
    ScopedEnv home("HOME", nullptr); // falls back to the password database
    EXPECT_TRUE(homeFolder().is_absolute());
}

TEST(Paths, DesktopFallsBackToTheHomeFolder) {
    TempFolder temp;
    ScopedEnv home("HOME", temp.path().c_str());
    ScopedEnv config("XDG_CONFIG_HOME", (temp.path() / "cfg").c_str());
    EXPECT_EQ(desktopFolder(), temp.path()); // no Desktop folder yet

    fs::create_directory(temp.path() / "Desktop");
    EXPECT_EQ(desktopFolder(), temp.path() / "Desktop");
}

TEST(Paths, DesktopFollowsTheUserDirsSetting) {
    if (!onPath("xdg-user-dir"))
        GTEST_SKIP() << "xdg-user-dir is not installed";
    TempFolder temp;
    ScopedEnv home("HOME", temp.path().c_str());
    ScopedEnv config("XDG_CONFIG_HOME", (temp.path() / "cfg").c_str());
    fs::create_directories(temp.path() / "cfg");
    fs::create_directories(temp.path() / "Desktop");
    fs::create_directories(temp.path() / "桌面");
    std::ofstream(temp.path() / "cfg" / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n";
    EXPECT_EQ(desktopFolder(), temp.path() / "桌面");

    // A configured folder that does not exist is not offered.
    std::ofstream(temp.path() / "cfg" / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/gone\"\n";
    EXPECT_EQ(desktopFolder(), temp.path() / "Desktop");
}

TEST(Paths, WorkFolderIsTheProgramFolderOnlyWhenWritable) {
    TempFolder temp;
    EXPECT_EQ(workFolderFor(temp.path()), temp.path());

    ScopedEnv data("XDG_DATA_HOME", (temp.path() / "data").c_str());
    fs::path missing = temp.path() / "no such folder";
    EXPECT_EQ(workFolderFor(missing), temp.path() / "data" / "Velomira");
    EXPECT_TRUE(fs::is_directory(temp.path() / "data" / "Velomira"));

    ScopedEnv home("HOME", temp.path().c_str());
    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    std::ofstream(temp.path() / "a file") << "x";
    EXPECT_EQ(workFolderFor(temp.path() / "a file"), temp.path() / ".local" / "share" / "Velomira");
}

TEST(Paths, AReadOnlyProgramFolderSendsTheWorkFolderToTheDataHome) {
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: every folder is writable";
    TempFolder temp;
    ScopedEnv data("XDG_DATA_HOME", (temp.path() / "data").c_str());
    fs::path locked = temp.path() / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(workFolderFor(locked), temp.path() / "data" / "Velomira");
    fs::permissions(locked, fs::perms::owner_all);
}

} // namespace
} // namespace velomira
