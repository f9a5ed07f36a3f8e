#include "platform/registry.h"

#include "scoped_env.h"
#include "support/temp_folder.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velomira {
namespace {

using testing::ScopedEnv;
using testing::TempFolder;

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class RegistryTest : public ::testing::Test {
  protected:
    TempFolder temp;
    RegistryFile file = registryFileUnder(temp.path() / "config");
};

TEST_F(RegistryTest, DefaultFileFollowsTheXdgConfigHome) {
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/somewhere/cfg");
        EXPECT_EQ(defaultRegistryFile().path, "/somewhere/cfg/Velomira/settings.ini");
    }
    ScopedEnv home("HOME", "/home/someone");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg"); // not absolute: ignored
    EXPECT_EQ(defaultRegistryFile().path, "/home/someone/.config/Velomira/settings.ini");
}

TEST_F(RegistryTest, WritesCreateTheFolderAndReadBack) {
    std::string text = "unchanged";
    uint32_t number = 7;
    EXPECT_EQ(readRegistryText(file, "folder", text), 0);
    EXPECT_EQ(readRegistryNumber(file, "count", number), 0);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(number, 7u);

    const std::string tricky = "/home/用户/\"引号\"\\反斜杠\\\nsecond line\r\n\ttab";
    ASSERT_EQ(writeRegistryText(file, "folder", tricky), 1);
    ASSERT_EQ(writeRegistryNumber(file, "count", 0x1e), 1);
    ASSERT_EQ(writeRegistryNumber(file, "big", 0xFFFFFFFF), 1);
    EXPECT_TRUE(std::filesystem::is_regular_file(file.path));

    EXPECT_EQ(readRegistryText(file, "folder", text), 1);
    EXPECT_EQ(text, tricky);
    EXPECT_EQ(readRegistryNumber(file, "count", number), 1);
    EXPECT_EQ(number, 0x1eu);
    EXPECT_EQ(readRegistryNumber(file, "big", number), 1);
    EXPECT_EQ(number, 0xFFFFFFFFu);
    EXPECT_NE(fileText(file.path).find("\"count\"=dword:0000001e"), std::string::npos);

    // Overwriting keeps the other values and may change the type.
    ASSERT_EQ(writeRegistryText(file, "count", "now text"), 1);
    EXPECT_EQ(readRegistryText(file, "count", text), 1);
    EXPECT_EQ(text, "now text");
    EXPECT_EQ(readRegistryNumber(file, "big", number), 1);

    // No temporary files are left beside it; only the file and its lock.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(file.path.parent_path())) {
        ++entries;
        EXPECT_TRUE(entry.path() == file.path || entry.path().filename() == "settings.ini.lock")
            << entry.path();
    }
    EXPECT_EQ(entries, 2u);
}

TEST_F(RegistryTest, AValueOfTheOtherTypeDoesNotRead) {
    ASSERT_EQ(writeRegistryText(file, "text", "30"), 1);
    ASSERT_EQ(writeRegistryNumber(file, "number", 30), 1);
    std::string text = "keep";
    uint32_t number = 5;
    EXPECT_EQ(readRegistryNumber(file, "text", number), 0);
    EXPECT_EQ(readRegistryText(file, "number", text), 0);
    EXPECT_EQ(text, "keep");
    EXPECT_EQ(number, 5u);
}

TEST_F(RegistryTest, TextsLongerThanTheBufferAreRefused) {
    ASSERT_EQ(writeRegistryText(file, "fits", std::string(259, 'a')), 1);
    ASSERT_EQ(writeRegistryText(file, "toolong", std::string(260, 'a')), 1);
    std::string text;
    EXPECT_EQ(readRegistryText(file, "fits", text), 1);
    EXPECT_EQ(text.size(), 259u);
    text = "keep";
    EXPECT_EQ(readRegistryText(file, "toolong", text), 0);
    EXPECT_EQ(text, "keep");
    EXPECT_EQ(readRegistryText(file, "toolong", text, 261), 1);
    EXPECT_EQ(readRegistryText(file, "fits", text, 10), 0);
}

TEST_F(RegistryTest, HostileFilesReadAsNoValues) {
    std::filesystem::create_directories(file.path.parent_path());
    const std::string hostile[] = {
        "",
        "[SOFTW",
        "[SOFTWARE\\Velomira]\n\"x\"=\"cut off in the mid",
        std::string(4096, '\0'),
        std::string("\xff\xfe[\0S\0O\0F\0T\0", 11),
        "[SOFTWARE\\Velomira]\n\"count\"=\"unterminated\n\"x\"=dword:zz\n",
    };
    for (const std::string& bytes : hostile) {
        std::ofstream(file.path, std::ios::binary | std::ios::trunc) << bytes;
        uint32_t number = 99;
        std::string text;
        EXPECT_EQ(readRegistryNumber(file, "count", number), 0);
        EXPECT_EQ(readRegistryText(file, "x", text), 0);
        EXPECT_EQ(number, 99u);
    }
}

TEST_F(RegistryTest, AWriteOverNonsenseKeepsTheGoodLines) {
    std::filesystem::create_directories(file.path.parent_path());
    std::ofstream(file.path, std::ios::binary)
        << "garbage \x01\x02\n[SOFTWARE\\Velomira]\n\"kept\"=\"yes\"\nmore garbage\n"
        << "\"also\"=dword:00000002\n\"broken\"=\"no end\n";
    ASSERT_EQ(writeRegistryNumber(file, "new", 3), 1);
    std::string text;
    uint32_t number = 0;
    EXPECT_EQ(readRegistryText(file, "kept", text), 1);
    EXPECT_EQ(text, "yes");
    EXPECT_EQ(readRegistryNumber(file, "also", number), 1);
    EXPECT_EQ(number, 2u);
    EXPECT_EQ(readRegistryNumber(file, "new", number), 1);
    EXPECT_EQ(number, 3u);
    EXPECT_EQ(fileText(file.path).find("garbage"), std::string::npos);
}

TEST_F(RegistryTest, SomethingOtherThanAFileAtThePathFailsCleanly) {
    std::filesystem::create_directories(file.path); // a folder where the file should be
    std::string text;
    EXPECT_EQ(readRegistryText(file, "x", text), 0);
    EXPECT_EQ(writeRegistryText(file, "x", "y"), 0);
    std::filesystem::remove(file.path);

    // A FIFO must neither block the reader nor be written through.
    ASSERT_EQ(mkfifo(file.path.c_str(), 0600), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readRegistryText(file, "x", text), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(writeRegistryText(file, "x", "y"), 1); // replaces the FIFO by a real file
    EXPECT_EQ(readRegistryText(file, "x", text), 1);
    EXPECT_EQ(text, "y");

    RegistryFile noName{""};
    EXPECT_EQ(writeRegistryNumber(noName, "x", 1), 0);
    EXPECT_EQ(writeRegistryNumber(file, "", 1), 0);
}

TEST_F(RegistryTest, OversizedFilesKeepOnlyCompleteLinesAndRefuseToGrow) {
    std::filesystem::create_directories(file.path.parent_path());
    std::string bytes = "[SOFTWARE\\Velomira]\n\"early\"=dword:00000001\n";
    std::string filler = "\"pad\"=\"" + std::string(1000, 'p') + "\"\n";
    while (bytes.size() < kRegistryFileMaxBytes - 10)
        bytes += filler;
    bytes += "\"late\"=dword:12345678\n"; // straddles the limit
    std::ofstream(file.path, std::ios::binary) << bytes;
    uint32_t number = 0;
    EXPECT_EQ(readRegistryNumber(file, "early", number), 1);
    EXPECT_EQ(readRegistryNumber(file, "late", number), 0);

    EXPECT_EQ(writeRegistryText(file, "huge", std::string(kRegistryFileMaxBytes, 'h')), 0);
    EXPECT_EQ(readRegistryNumber(file, "early", number), 1);
}

// Two processes writing at the same time must not lose each other's values.
TEST_F(RegistryTest, ParallelWriterProcessesLoseNothing) {
    constexpr int kPerWriter = 200;
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            int failures = 0;
            for (int i = 0; i < kPerWriter; ++i) {
                std::string name = "writer" + std::to_string(w) + "_" + std::to_string(i);
                if (i % 2)
                    failures += !writeRegistryNumber(file, name, static_cast<uint32_t>(i));
                else
                    failures += !writeRegistryText(file, name, "值" + std::to_string(i));
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int found = 0;
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < kPerWriter; ++i) {
            std::string name = "writer" + std::to_string(w) + "_" + std::to_string(i);
            uint32_t number = 0;
            std::string text;
            if (i % 2)
                found += readRegistryNumber(file, name, number) && number == uint32_t(i);
            else
                found += readRegistryText(file, name, text) && text == "值" + std::to_string(i);
        }
    }
    EXPECT_EQ(found, 2 * kPerWriter);
}

} // namespace
} // namespace velomira
