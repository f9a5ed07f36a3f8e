// The crash handler: its report text, and real crashes in a child process that must leave the
// AppCrash line in the error log, the notice on standard error, and still die by the signal.
#include "platform/crash_handler.h"
#include "support/temp_folder.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <sys/mman.h>
#include <unistd.h>

namespace velomira {
namespace {

using testing::TempFolder;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CrashTextTest, CodeInHexAndAddressAtPointerWidth) {
    char text[80];
    std::size_t length =
        formatCrashText(text, sizeof text, 11, reinterpret_cast<void*>(0x7f00dead00ul));
    EXPECT_STREQ(text, "exceptionCode:0xb, EIP=0x0000007F00DEAD00");
    EXPECT_EQ(length, std::string(text).size());
    formatCrashText(text, sizeof text, 0xC0000005ul, nullptr);
    EXPECT_STREQ(text, "exceptionCode:0xc0000005, EIP=0x0000000000000000");

    // A short buffer is cut, never overrun.
    char small[10];
    std::memset(small, 'z', sizeof small);
    EXPECT_EQ(formatCrashText(small, 8, 11, nullptr), 7u);
    EXPECT_STREQ(small, "excepti");
    EXPECT_EQ(small[8], 'z');
    EXPECT_EQ(formatCrashText(small, 0, 11, nullptr), 0u);
}

TEST(CrashHandlerTest, RefusesALogPathItCannotHold) {
    EXPECT_FALSE(installCrashHandler(std::string(5000, 'x')));
}

class CrashHandlerDeathTest : public ::testing::Test {
  protected:
    // The child is forked without a new exec ("fast" style), so it writes to this very log.
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }
    TempFolder folder;
    std::string log = folder.file("error.log");
};

// The line as the error log writes it: date, time, source, text.
std::string crashLinePattern(int signal, const std::string& address) {
    char code[32];
    std::snprintf(code, sizeof code, "0x%x", signal);
    return R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} AppCrash: exceptionCode:)" + std::string(code) +
           ", EIP=0x" + address + "\n$";
}

TEST_F(CrashHandlerDeathTest, EverySignalIsReportedAndStillKills) {
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        std::remove(log.c_str());
        EXPECT_EXIT(
            {
                installCrashHandler(log);
                raise(signal);
            },
            ::testing::KilledBySignal(signal), "Velomira 已停止工作")
            << strsignal(signal);
        // A raised signal has no fault address.
        EXPECT_TRUE(std::regex_search(readText(log),
                                      std::regex(crashLinePattern(signal, "0000000000000000"))))
            << strsignal(signal) << ": " << readText(log);
    }
}

TEST_F(CrashHandlerDeathTest, RealFaultReportsTheFaultingAddress) {
    // An inaccessible page: writing to it faults at exactly its address.
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    EXPECT_EXIT(
        {
            installCrashHandler(log);
            *static_cast<volatile int*>(page) = 1;
        },
        ::testing::KilledBySignal(SIGSEGV), "出现了一个问题，导致软件停止工作。");
    char address[32];
    std::snprintf(address, sizeof address, "%016lX", reinterpret_cast<unsigned long>(page));
    EXPECT_TRUE(std::regex_search(readText(log), std::regex(crashLinePattern(SIGSEGV, address))))
        << readText(log);
    munmap(page, 4096);
}

TEST_F(CrashHandlerDeathTest, AbortAppendsToAnExistingLog) {
    { std::ofstream(log) << "earlier report\n"; }
    EXPECT_EXIT(
        {
            installCrashHandler(log);
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    const std::string text = readText(log);
    EXPECT_EQ(text.rfind("earlier report\n", 0), 0u);
    EXPECT_NE(text.find(" AppCrash: exceptionCode:0x6, "), std::string::npos) << text;
}

} // namespace
} // namespace velomira
