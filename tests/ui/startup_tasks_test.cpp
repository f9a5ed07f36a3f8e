#include "ui/startup_tasks.h"

#include "support/http_test_server.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace velomira {
namespace {

using namespace std::chrono_literals;
using testing::TempFolder;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool waitFor(const StartupTasks& tasks, std::chrono::seconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!tasks.finished() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    return tasks.finished();
}

TEST(StartupTasks, WithoutAListAddressNothingStartsAndNothingIsMade) {
    TempFolder folder;
    StartupTasks tasks;
    EXPECT_FALSE(tasks.start({"", {}, folder.path() / "mp3"}));
    EXPECT_TRUE(tasks.finished());
    EXPECT_EQ(tasks.stockFilesWritten(), 0);
    tasks.stop();
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "mp3"));
}

TEST(StartupTasks, StockMusicIsFetchedOnItsOwnThreadAndOnlyOnce) {
    const std::string one(300, '1');
    const std::string two(500, '2');
    test::HttpTestServer server([&](const test::ReceivedRequest& request) {
        if (request.target == "/one.mp3")
            return test::okReply(one);
        if (request.target == "/two.mp3")
            return test::okReply(two);
        return test::statusReply("HTTP/1.1 404 Not Found");
    });
    TempFolder folder;
    std::filesystem::path mp3 = folder.path() / "mp3";
    // The list, from a second server, names the first one's files.
    test::HttpTestServer list([&](const test::ReceivedRequest&) {
        return test::okReply(server.url("/one.mp3") + "|300|一.mp3\r\n" + server.url("/two.mp3") +
                             "|500|two.mp3\n" + server.url("/missing.mp3") + "|9|gone.mp3\n");
    });
    StartupTaskSettings settings{list.url("/list.txt"), {}, mp3};
    settings.client.connectTimeout = 5s;
    settings.client.ioTimeout = 5s;
    StartupTasks tasks;
    EXPECT_TRUE(tasks.start(settings));
    EXPECT_FALSE(tasks.start(settings));
    ASSERT_TRUE(waitFor(tasks, 20s));
    EXPECT_EQ(tasks.stockFilesWritten(), 2);
    EXPECT_EQ(readFile(mp3 / "一.mp3"), one);
    EXPECT_EQ(readFile(mp3 / "two.mp3"), two);
    EXPECT_FALSE(std::filesystem::exists(mp3 / "gone.mp3"));
    tasks.stop();
    EXPECT_EQ(list.requests().size(), 1u);
}

TEST(StartupTasks, ExitDoesNotWaitForASilentList) {
    test::ScriptedReply silent;
    silent.neverAnswer = true;
    test::HttpTestServer server([&](const test::ReceivedRequest&) { return silent; });
    TempFolder folder;
    StartupTaskSettings settings{server.url("/list.txt"), {}, folder.path() / "mp3"};
    settings.client.ioTimeout = 30s;
    StartupTasks tasks;
    ASSERT_TRUE(tasks.start(settings));
    auto until = std::chrono::steady_clock::now() + 10s;
    while (server.requests().empty() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(server.requests().size(), 1u);
    auto before = std::chrono::steady_clock::now();
    tasks.stop(100ms);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    EXPECT_FALSE(tasks.finished());
}

} // namespace
} // namespace velomira
