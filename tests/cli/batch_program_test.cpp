// velomira-render --batch run as a user runs it, with the real encoder at tiny sizes: mixed
// rows over two shards at once, a batch stopped and killed half-way and then resumed, and two
// batches racing on one file. Each video must be made exactly once, completely.
#include "support/http_test_server.h"
#include "support/picture_files.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

#include <cjson/cJSON.h>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velomira {
namespace {

using testing::privateHome;
using testing::programOutput;
using testing::readWholeFile;
using testing::startProgram;
using testing::TempFolder;
using testing::waitForProgram;
using testing::writeSolidPicture;

struct ReportRow {
    std::string status;
    int frames = -1;
    std::string error;
};

// output -> row of a JSON report
std::map<std::string, ReportRow> readReport(const std::string& path) {
    std::map<std::string, ReportRow> rows;
    cJSON* root = cJSON_Parse(readWholeFile(path).c_str());
    const cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, root) {
        ReportRow row;
        row.status = cJSON_GetObjectItem(entry, "status")->valuestring;
        const cJSON* frames = cJSON_GetObjectItem(entry, "frames");
        row.frames = cJSON_IsNumber(frames) ? frames->valueint : -1;
        row.error = cJSON_GetObjectItem(entry, "error")->valuestring;
        rows[cJSON_GetObjectItem(entry, "output")->valuestring] = row;
    }
    cJSON_Delete(root);
    return rows;
}

int videoFrames(const std::string& video) {
    const std::string text =
        programOutput({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                       "-show_entries", "stream=nb_read_frames", "-of", "default=nw=1:nk=1", video})
            .out;
    return text.empty() ? -1 : std::atoi(text.c_str());
}

class BatchProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(home.path() / "config");
        const char* colours[3] = {"#ff0000", "#00ff00", "#0000ff"};
        for (int i = 0; i < 3; ++i)
            pictures.push_back(writeSolidPicture(folder.file("p" + std::to_string(i) + ".png"), 64,
                                                 36, colours[i], "png"));
    }

    // Starts velomira-render (behind `wrapper` when given) with its messages in NAME.err.
    pid_t start(const std::vector<std::string>& args, const std::string& name,
                const std::vector<std::string>& wrapper = {}) {
        std::vector<std::string> argv = wrapper;
        argv.push_back(VELOMIRA_RENDER_PROGRAM);
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t pid =
            startProgram({argv, privateHome(home.path()), "", folder.file(name + ".err")});
        EXPECT_GT(pid, 0);
        return pid;
    }

    static int finish(pid_t pid) { return waitForProgram(pid); }

    std::string errorsOf(const std::string& name) const {
        return readWholeFile(folder.file(name + ".err"));
    }

    // Waits (at most 60 s) until the condition holds.
    static bool waitUntil(const std::function<bool()>& condition) {
        for (int i = 0; i < 1200; ++i) {
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    std::string listing() const {
        std::string names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "out"))
            names += entry.path().filename().string() + " ";
        return names;
    }

    // Files in out/ whose names start with prefix (contain it, with anywhere set).
    int countFiles(const std::string& prefix, bool anywhere = false) const {
        int count = 0;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "out", ec)) {
            const std::string name = entry.path().filename().string();
            count += anywhere ? name.find(prefix) != std::string::npos : name.rfind(prefix, 0) == 0;
        }
        return count;
    }

    std::string picturesColumn(int count) const {
        std::string column;
        for (int i = 0; i < count; ++i)
            column += (i ? "|" : "") + pictures[i % 3];
        return column;
    }

    TempFolder folder;
    TempFolder home;
    std::vector<std::string> pictures;
};

TEST_F(BatchProgramTest, MixedRowsOverTwoShardsMakeEveryVideoOnceAndABadRowFailsAlone) {
    const std::string jpeg =
        readWholeFile(writeSolidPicture(folder.file("shop.jpg"), 80, 60, "#336699", "jpg"));
    test::HttpTestServer server([&](const test::ReceivedRequest&) {
        return test::okReply(jpeg, "Content-Type: image/jpeg\r\n");
    });
    const std::string project = folder.file("album.dat");
    ASSERT_EQ(finish(start({"--pictures", pictures[0], pictures[1], pictures[2], "--save", project,
                            "--info"},
                           "save")),
              0)
        << errorsOf("save");
    const std::string product = server.url("/a.jpg") + ";" + server.url("/b.jpg");
    const std::string noise = folder.writeFile("noise.png", "not a picture at all");
    std::string csv = "output,project,pictures,product,caption,pause\n";
    csv += "out/pictures1,,p0.png|p1.png,,,\n";
    csv += "out/pictures2.mp4,," + picturesColumn(3) + ",,标题,0.3\n";
    csv += "out/project1,album.dat,,,,\n";
    csv += "out/project2," + project + ",,,\"a, b\",0.5\n";
    csv += "out/product1,,,\"" + product + "\",,\n";
    csv += "out/product2,,,\"" + product + "\",x,0.4\n";
    csv += "out/unreadable,,noise.png,,,\n";
    folder.writeFile("jobs.csv", csv);
    const std::vector<std::string> common{
        "--batch", folder.file("jobs.csv"), "--size", "64x36", "--pause", "0.2", "--jobs", "2"};
    std::vector<std::string> shard0 = common, shard1 = common;
    shard0.insert(shard0.end(), {"--shard", "0/2", "--report", folder.file("r0.json")});
    shard1.insert(shard1.end(), {"--shard", "1/2", "--report", folder.file("r1.json")});
    const pid_t first = start(shard0, "shard0");
    const pid_t second = start(shard1, "shard1");
    EXPECT_EQ(finish(first), 2) << errorsOf("shard0");
    EXPECT_EQ(finish(second), 0) << errorsOf("shard1") << "the unreadable row is in shard 0";

    std::map<std::string, ReportRow> rows = readReport(folder.file("r0.json"));
    const std::map<std::string, ReportRow> more = readReport(folder.file("r1.json"));
    EXPECT_EQ(rows.size(), 4u);
    EXPECT_EQ(more.size(), 3u);
    rows.insert(more.begin(), more.end());
    ASSERT_EQ(rows.size(), 7u) << "the shards share no row";
    for (const char* name :
         {"pictures1", "pictures2", "project1", "project2", "product1", "product2"}) {
        const std::string video = folder.file(std::string("out/") + name + ".mp4");
        const ReportRow& row = rows[video];
        EXPECT_EQ(row.status, "done") << name << ": " << row.error;
        EXPECT_GT(row.frames, 0) << name;
        EXPECT_EQ(videoFrames(video), row.frames) << name;
    }
    const ReportRow& bad = rows[folder.file("out/unreadable.mp4")];
    EXPECT_EQ(bad.status, "failed");
    EXPECT_NE(bad.error.find("no picture to render"), std::string::npos) << bad.error;
    EXPECT_FALSE(std::filesystem::exists(folder.file("out/unreadable.mp4")));
    EXPECT_EQ(countFiles("."), 0) << "no lock or temporary file stays behind";
    EXPECT_GE(server.requests().size(), 4u);
}

TEST_F(BatchProgramTest, AStoppedOrKilledBatchResumesOnlyTheUnfinishedRows) {
    std::string rows = "output,pictures\n";
    for (int i = 0; i < 8; ++i)
        rows += "out/v" + std::to_string(i) + "," + picturesColumn(8) + "\n";
    folder.writeFile("jobs.csv", rows);
    // A lock of a process of this host that has ended is taken over; one held on another
    // machine is left alone.
    std::filesystem::create_directories(folder.path() / "out");
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const pid_t gone = start({"--help"}, "gone");
    finish(gone);
    folder.writeFile("out/.v6.mp4.lock", std::string(host) + " " + std::to_string(gone) + "\n");
    folder.writeFile("out/.v7.mp4.lock", "elsewhere.example 4242\n");
    const std::vector<std::string> args{
        "--batch",  folder.file("jobs.csv"),   "--size", "320x180", "--pause", "1.5", "--jobs", "1",
        "--report", folder.file("report.json")};
    auto made = [&] {
        int count = 0;
        for (int i = 0; i < 8; ++i)
            count += std::filesystem::exists(folder.file("out/v" + std::to_string(i) + ".mp4"));
        return count;
    };
    auto everyVideoComplete = [&] {
        for (int i = 0; i < 8; ++i) {
            const std::string video = folder.file("out/v" + std::to_string(i) + ".mp4");
            if (std::filesystem::exists(video) && videoFrames(video) <= 0)
                return false;
        }
        return true;
    };

    // Stopped: the running job stops, the rows not started are reported as stopped.
    pid_t batch = start(args, "stopped");
    ASSERT_TRUE(waitUntil([&] { return made() >= 1 && countFiles(".job", true) > 0; }));
    kill(batch, SIGTERM);
    EXPECT_EQ(finish(batch), 130) << errorsOf("stopped");
    const std::map<std::string, ReportRow> stopped = readReport(folder.file("report.json"));
    EXPECT_EQ(stopped.at(folder.file("out/v7.mp4")).status, "stopped");
    const int afterStop = made();
    EXPECT_TRUE(everyVideoComplete());
    EXPECT_EQ(countFiles(".job", true), 0) << "a stopped job leaves no file";

    // Killed outright: its job dies with it, and its lock stays behind for the next run.
    batch = start(args, "killed");
    ASSERT_TRUE(waitUntil([&] { return made() > afterStop; }));
    kill(batch, SIGKILL);
    finish(batch);
    ASSERT_TRUE(waitUntil([&] { return countFiles(".job", true) == 0; }))
        << "the job of a killed batch stops and cleans up";
    EXPECT_TRUE(everyVideoComplete());
    const int beforeResume = made();
    EXPECT_LT(beforeResume, 7);

    // Resumed: what exists is skipped, the rest made; the foreign lock keeps its row waiting.
    EXPECT_EQ(finish(start(args, "resumed")), 2)
        << "a locked row is not made: " << errorsOf("resumed");
    const std::map<std::string, ReportRow> resumed = readReport(folder.file("report.json"));
    int skipped = 0;
    for (const auto& [video, row] : resumed)
        skipped += row.status == "skipped" && row.error == "already made";
    EXPECT_EQ(skipped, beforeResume);
    EXPECT_EQ(made(), 7);
    const ReportRow& foreign = resumed.at(folder.file("out/v7.mp4"));
    EXPECT_EQ(foreign.status, "locked");
    EXPECT_NE(foreign.error.find("being made on elsewhere.example by process 4242"),
              std::string::npos);
    EXPECT_EQ(resumed.at(folder.file("out/v6.mp4")).status, "done");
    EXPECT_TRUE(everyVideoComplete());
    EXPECT_EQ(countFiles("."), 1) << "only the foreign lock stays: " << listing();
}

TEST_F(BatchProgramTest, TwoBatchesRacingOnOneFileMakeEachVideoOnce) {
    std::string rows = "output,pictures\n";
    for (int i = 0; i < 8; ++i)
        rows += "out/v" + std::to_string(i) + "," + picturesColumn(3) + "\n";
    folder.writeFile("jobs.csv", rows);
    auto args = [&](const std::string& report) {
        return std::vector<std::string>{
            "--batch",  folder.file("jobs.csv"), "--size", "64x36", "--pause", "0.2", "--jobs", "2",
            "--report", folder.file(report)};
    };
    const pid_t first = start(args("a.json"), "a");
    const pid_t second = start(args("b.json"), "b");
    EXPECT_EQ(finish(first), 0) << errorsOf("a");
    EXPECT_EQ(finish(second), 0) << errorsOf("b");
    const auto a = readReport(folder.file("a.json"));
    const auto b = readReport(folder.file("b.json"));
    ASSERT_EQ(a.size(), 8u);
    ASSERT_EQ(b.size(), 8u);
    for (const auto& [video, row] : a) {
        const ReportRow& other = b.at(video);
        EXPECT_EQ((row.status == "done") + (other.status == "done"), 1)
            << video << ": " << row.status << " / " << other.status;
        EXPECT_EQ(videoFrames(video), row.status == "done" ? row.frames : other.frames) << video;
    }
    EXPECT_EQ(countFiles("."), 0);
}

TEST_F(BatchProgramTest, ADiskThatFillsUpOrAFolderThatCannotBeMadeFailsOnlyItsRow) {
    // The file size limit stands in for a full disk: the long row's video outgrows it.
    const std::string two = picturesColumn(2);
    std::string csv = "output,pictures,size,pause\n";
    csv += "out/small1," + two + ",,\n";
    csv += "out/large," + picturesColumn(20) + ",320x180,1\n";
    csv += "p0.png/inside/a-file," + two + ",,\n";
    csv += "out/small2," + two + ",,\n";
    folder.writeFile("jobs.csv", csv);
    const pid_t batch = start({"--batch", folder.file("jobs.csv"), "--size", "64x36", "--pause",
                               "0.2", "--jobs", "1", "--report", folder.file("report.json")},
                              "full", {"/bin/bash", "-c", "ulimit -f 16 && exec \"$0\" \"$@\""});
    EXPECT_EQ(finish(batch), 2) << errorsOf("full");
    const auto rows = readReport(folder.file("report.json"));
    EXPECT_EQ(rows.at(folder.file("out/small1.mp4")).status, "done");
    EXPECT_EQ(rows.at(folder.file("out/small2.mp4")).status, "done");
    const ReportRow& large = rows.at(folder.file("out/large.mp4"));
    EXPECT_EQ(large.status, "failed");
    EXPECT_NE(large.error.find("生成视频时发生错误"), std::string::npos) << large.error;
    const ReportRow& nowhere = rows.at(folder.file("p0.png/inside/a-file.mp4"));
    EXPECT_EQ(nowhere.status, "failed");
    EXPECT_NE(nowhere.error.find("cannot create the folder"), std::string::npos) << nowhere.error;
    EXPECT_FALSE(std::filesystem::exists(folder.file("out/large.mp4")));
    EXPECT_EQ(countFiles("."), 0) << "no partial file stays: " << listing();
}

TEST_F(BatchProgramTest, ABatchFileOrReportThatCannotBeUsedIsRefusedBeforeAnyWork) {
    const std::string row = "," + picturesColumn(2) + "\n";
    folder.writeFile("good.csv", "output,pictures\nout/v" + row);
    ASSERT_EQ(::mkfifo(folder.file("pipe.csv").c_str(), 0644), 0);
    // Sparse: one byte over the limit costs no disk.
    std::filesystem::resize_file(folder.writeFile("huge.csv", "output,pictures\n"),
                                 64 * 1024 * 1024 + 1);
    folder.writeFile("nul.csv", std::string("output,pictures\nout/a") + '\0' + "b" + row);
    std::filesystem::create_directories(folder.path() / "real");
    std::filesystem::create_directory_symlink(folder.path() / "real", folder.path() / "link");
    folder.writeFile("linked.csv", "output,pictures\nreal/v" + row + "link/v.mp4" + row);
    std::filesystem::create_directories(folder.path() / "report.csv");
    struct Case {
        std::string batch;
        std::string report;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"/dev/zero", "", "the batch file /dev/zero is not a regular file"},
        {folder.file("pipe.csv"), "", "the batch file " + folder.file("pipe.csv") + " is not a"},
        {folder.file("huge.csv"), "", "huge.csv is larger than 64 MB"},
        {folder.file("nul.csv"), "", "line 2: the output field holds a NUL byte"},
        {folder.file("linked.csv"), "",
         "lines 2 and 3 both write " + folder.file("real/v.mp4") + " (also named " +
             folder.file("link/v.mp4") + ")"},
        {folder.file("good.csv"), folder.file("report.csv"),
         "cannot write the report " + folder.file("report.csv")},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--batch", c.batch, "--size", "64x36"};
        if (!c.report.empty())
            args.insert(args.end(), {"--report", c.report});
        EXPECT_EQ(finish(start(args, "refused")), 3) << c.batch;
        const std::string errors = errorsOf("refused");
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.batch << ": " << errors;
        EXPECT_FALSE(std::filesystem::exists(folder.path() / "out")) << c.batch;
        EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "real")) << c.batch;
    }
}

TEST_F(BatchProgramTest, ARowLockedByAnotherHostIsNotMadeAndFailsTheBatch) {
    const std::string two = picturesColumn(2);
    folder.writeFile("jobs.csv", "output,pictures\nout/w," + two + "\nout/v," + two + "\n");
    std::filesystem::create_directories(folder.path() / "out");
    // The lock of a machine that died two days ago: never taken over, but named with its age.
    const std::string lock = folder.writeFile("out/.v.mp4.lock", "elsewhere.example 4242\n");
    std::filesystem::last_write_time(lock, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::hours(50));
    // A running process of this machine (this test) holds w: the batch waits for it.
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const std::string local = folder.writeFile(
        "out/.w.mp4.lock", std::string(host) + " " + std::to_string(getpid()) + "\n");
    const std::string why = "being made on elsewhere.example by process 4242, locked 2 days ago";
    const std::string lockedLine = "line 3 locked: " + folder.file("out/v.mp4") + ": " + why;
    for (const std::string report : {"report.json", "report.csv"}) {
        std::vector<std::string> args{
            "--batch",  folder.file("jobs.csv"), "--size", "64x36", "--pause", "0.2",
            "--report", folder.file(report)};
        const bool first = report == "report.json";
        if (!first)
            args.push_back("--quiet");
        const pid_t batch = start(args, "locked");
        if (first) {
            // w was tried before v was found locked: now it is waiting.
            ASSERT_TRUE(waitUntil(
                [&] { return errorsOf("locked").find(lockedLine) != std::string::npos; }));
            std::filesystem::remove(local);
        }
        EXPECT_EQ(finish(batch), 2) << errorsOf("locked");
        EXPECT_NE(errorsOf("locked").find(lockedLine), std::string::npos) << errorsOf("locked");
        if (first) {
            const auto rows = readReport(folder.file(report));
            EXPECT_EQ(rows.at(folder.file("out/w.mp4")).status, "done");
            EXPECT_EQ(rows.at(folder.file("out/v.mp4")).status, "locked");
            EXPECT_EQ(rows.at(folder.file("out/v.mp4")).error, why);
        } else {
            const std::string csv = readWholeFile(folder.file(report));
            EXPECT_NE(csv.find(folder.file("out/w.mp4") + ",skipped,"), std::string::npos) << csv;
            EXPECT_NE(csv.find(folder.file("out/v.mp4") + ",locked,,"), std::string::npos) << csv;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("out/v.mp4")));
    EXPECT_TRUE(std::filesystem::exists(lock)) << "another host's lock is left alone";
}

} // namespace
} // namespace velomira
