#include "net/stock_music.h"

#include "routed_server.h"
#include "support/program_run.h"
#include "support/script_server.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace velomira::testing {
namespace {

namespace fs = std::filesystem;

TEST(StockMusicList, FieldsLineEndsAndShortOrBadLines) {
    auto entries = parseStockMusicList("http://m/a.mp3|5|春天.mp3\r\n"
                                       "http://m/b.mp3|12|b.mp3|extra|fields\n"
                                       "http://m/c.mp3|7\n"
                                       "http://m/d.mp3|x7|d.mp3\n"
                                       "http://m/e.mp3|-1|e.mp3\n"
                                       "http://m/f.mp3||f.mp3\n"
                                       "|3|g.mp3\n"
                                       "\n"
                                       "http://m/h.mp3|99999999999999999999999|h.mp3\n"
                                       "http://m/i.mp3|0|i.mp3");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].address, "http://m/a.mp3");
    EXPECT_EQ(entries[0].size, 5u);
    EXPECT_EQ(entries[0].fileName, "春天.mp3");
    EXPECT_EQ(entries[1].fileName, "b.mp3");
    EXPECT_EQ(entries[1].size, 12u);
    EXPECT_EQ(entries[2].fileName, "i.mp3");
    EXPECT_EQ(entries[2].size, 0u);
}

TEST(StockMusicList, NamesThatCouldLeaveTheFolderAreRefused) {
    for (const char* bad :
         {"", ".", "..", "../x.mp3", "a/b.mp3", "/etc/passwd", "a\\b.mp3", "..\\x.mp3", "x..mp3"})
        EXPECT_FALSE(isSafeStockFileName(bad)) << bad;
    EXPECT_FALSE(isSafeStockFileName(std::string("a\0b.mp3", 7)));
    for (const char* good : {"a.mp3", "春天 01.mp3", ".hidden.mp3", "a b-c_d.mp3"})
        EXPECT_TRUE(isSafeStockFileName(good)) << good;
    EXPECT_TRUE(parseStockMusicList("http://m/x|3|../x.mp3\nhttp://m/y|3|sub/y.mp3").empty());
}

class StockMusicSync : public ::testing::Test {
  protected:
    StockMusicSync() {
        client.config.connectTimeout = std::chrono::milliseconds(3000);
        client.config.ioTimeout = std::chrono::milliseconds(3000);
    }
    fs::path mp3() const { return folder.path() / "program" / "mp3"; }
    std::string line(const std::string& path, size_t size, const std::string& name) const {
        return server.url(path) + "|" + std::to_string(size) + "|" + name + "\n";
    }
    int sync() { return syncStockMusic(client, server.url("/list.txt"), mp3()); }
    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(mp3()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder folder;
    RoutedServer server;
    HttpClient client;
};

TEST_F(StockMusicSync, DownloadsMissingFilesAndKeepsRightSizedOnes) {
    fs::create_directories(mp3());
    folder.writeFile("program/mp3/kept.mp3", "KEPT!");
    server.route("/new.mp3", "new-bytes");
    server.route("/kept.mp3", "XXXXX");
    server.route("/list.txt", line("/new.mp3", 9, "新歌.mp3") + line("/kept.mp3", 5, "kept.mp3"));

    EXPECT_EQ(sync(), 1);
    EXPECT_EQ(readWholeFile((mp3() / "新歌.mp3").string()), "new-bytes");
    EXPECT_EQ(readWholeFile((mp3() / "kept.mp3").string()), "KEPT!");
    // The right-sized file was never fetched, and no temporary file stays behind.
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/list.txt", "/new.mp3"}));
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"kept.mp3", "新歌.mp3"}));
}

TEST_F(StockMusicSync, WrongSizedDownloadIsNeverWrittenAndOldFileIsReplaced) {
    fs::create_directories(mp3());
    folder.writeFile("program/mp3/old.mp3", "old version, too long");
    folder.writeFile("program/mp3/short.mp3", "abc");
    server.route("/old.mp3", "fresh");
    server.route("/short.mp3", "only-six");
    server.route("/absent.mp3", "12");
    server.route("/list.txt", line("/old.mp3", 5, "old.mp3") + line("/short.mp3", 4, "short.mp3") +
                                  line("/absent.mp3", 3, "absent.mp3"));

    EXPECT_EQ(sync(), 1);
    EXPECT_EQ(readWholeFile((mp3() / "old.mp3").string()), "fresh");
    EXPECT_EQ(readWholeFile((mp3() / "short.mp3").string()), "abc");
    EXPECT_FALSE(fs::exists(mp3() / "absent.mp3"));
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"old.mp3", "short.mp3"}));
}

TEST_F(StockMusicSync, HostileNamesAreNeitherFetchedNorWritten) {
    server.route("/evil", "EVIL!");
    server.route("/list.txt", line("/evil", 5, "../escaped.mp3") + line("/evil", 5, "a/b.mp3") +
                                  line("/evil", 5, "/tmp/abs.mp3"));
    EXPECT_EQ(sync(), 0);
    EXPECT_FALSE(fs::exists(folder.path() / "program" / "escaped.mp3"));
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/list.txt"});
}

TEST_F(StockMusicSync, NothingHappensWithoutAListOrWhenItFails) {
    EXPECT_EQ(syncStockMusic(client, "", mp3()), 0);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(sync(), 0); // the list answers 404
    server.route("/list.txt", "\xff\xfe garbage without fields\n");
    EXPECT_EQ(sync(), 0);
}

TEST_F(StockMusicSync, CreatesTheFolderWhenMissing) {
    server.route("/a.mp3", "abc");
    server.route("/list.txt", line("/a.mp3", 3, "a.mp3"));
    EXPECT_EQ(sync(), 1);
    EXPECT_EQ(readWholeFile((mp3() / "a.mp3").string()), "abc");
    // A second run finds everything in place and fetches only the list.
    EXPECT_EQ(sync(), 0);
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/list.txt", "/a.mp3", "/list.txt"}));
}

// The list and the files over https, with the certificate checked against the test authority.
TEST(StockMusicOverHttps, FetchesTheListAndItsFilesWithVerifiedCertificates) {
    ASSERT_FALSE(test::testCertificates().empty());
    TempFolder served;
    served.writeFile("a.mp3", "ID3 stock music");
    test::ScriptServer server({test::serverScript("tls_server.py"), "https",
                               test::testCertificates(), "good", served.path().string()});
    ASSERT_GT(server.port(), 0);
    served.writeFile("list.txt", server.url("https", "localhost", "/files/a.mp3") + "|15|a.mp3\n");
    TempFolder music;
    HttpClient client{HttpClientConfig{}, {}};
    EXPECT_EQ(
        syncStockMusic(client, server.url("https", "localhost", "/files/list.txt"), music.path()),
        1);
    EXPECT_EQ(readWholeFile(music.file("a.mp3")), "ID3 stock music");
}

} // namespace
} // namespace velomira::testing
