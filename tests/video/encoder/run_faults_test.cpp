// Whole generation runs against tools that misbehave: the real encoder frozen with SIGSTOP,
// a stop that must cut the video, an encoder that writes garbage, a cover tool that blocks or
// writes half a file, a name as long as the file system takes. Each must keep the earlier
// video, end by itself, and leave no temporary file behind.
#include "video/generation_job.h"
#include "video/host_name.h"
#include "video/mp4_boxes.h"
#include "video/mp4_index_move.h"

#include "media_tools.h"
#include "render/frame_sequencer.h"
#include "render/image/image_layer.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velomira {
namespace {

using namespace velomira::testing;

// Children of this process whose command name is `name`.
std::vector<pid_t> childrenNamed(const std::string& name) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        std::sscanf(line.c_str() + close + 2, "%c %d", &state, &parent);
        if (parent == getpid() && line.substr(open + 1, close - open - 1) == name)
            found.push_back(std::stoi(pid));
    }
    return found;
}

void writeScript(const std::filesystem::path& path, const std::string& body) {
    std::filesystem::remove(path);
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// Hidden temporary files (".name.<pid>-<n>.part...") left in the folder.
int pendingFiles(const std::filesystem::path& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        count += entry.path().filename().string().find(".part") != std::string::npos;
    return count;
}

class RunFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!makeToolFolder(folder.path()))
            GTEST_SKIP() << "ffmpeg or AtomicParsley is not installed";
        initImageLibrary();
        std::filesystem::create_directories(folder.path() / "temp");
        std::filesystem::create_directories(folder.path() / "out");
        setCustomVideoSize(project.settings, 96, 64);
        choosePauseTime(project.settings, 0);
        TransitionRandom random(3);
        const char* colours[] = {"#ff0000", "#00ff00", "#0000ff"};
        for (int i = 0; i < 12; ++i)
            insertAlbumItem(project,
                            writeSolidPicture(folder.file("p" + std::to_string(i) + ".png"), 48, 32,
                                              colours[i % 3], "png"),
                            -1, false, random);
        request.encoder.project = &project;
        useProgramFolder(request, folder.path());
        request.encoder.workFolder = folder.path() / "temp";
        request.outputPath = (folder.path() / "out" / "video.mp4").string();
        request.encoder.errorLog = errorLogIn(folder.path());
        request.encoder.stopGrace = std::chrono::milliseconds(3000);
        request.encoder.stallLimit = std::chrono::milliseconds(3000);
    }

    GenerationResult run(std::function<void(int)> onPicture = nullptr) {
        request.progress = [&](int picture, int) {
            if (onPicture)
                onPicture(picture);
        };
        stop = false;
        EncoderState state;
        state.pipeMode = kAnonymousPipeMode;
        GenerationResult result = runGenerationJob(state, request, planRun(project), stop);
        shown.insert(shown.end(), result.failures.begin(), result.failures.end());
        return result;
    }

    // A finished video at the output path, as an earlier run left it.
    std::string earlierVideo() {
        const GenerationResult first = run();
        EXPECT_EQ(first.outcome, EncoderOutcome::Done) << first.errorText;
        shown.clear();
        return readWholeFile(request.outputPath);
    }

    TempFolder folder;
    RecordingDialogs dialogs;
    std::vector<Failure> shown; // the runs' failures, as the front end shows them
    AlbumProject project;
    GenerationRequest request;
    std::atomic<bool> stop{false};
};

TEST_F(RunFaults, FrozenEncoderIsKilledAndTheEarlierVideoStays) {
    const std::string earlier = earlierVideo();
    ASSERT_FALSE(earlier.empty());
    for (const bool pressStop : {true, false}) {
        SCOPED_TRACE(pressStop ? "stopped while frozen" : "frozen, no stop");
        std::vector<pid_t> frozen;
        const auto began = std::chrono::steady_clock::now();
        const GenerationResult result = run([&](int picture) {
            if (picture != 3)
                return;
            frozen = childrenNamed("ffmpeg");
            for (pid_t pid : frozen)
                ::kill(pid, SIGSTOP);
            if (pressStop)
                stop = true;
        });
        ASSERT_EQ(frozen.size(), 1u);
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
        EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
        EXPECT_FALSE(result.videoKept);
        EXPECT_EQ(readWholeFile(request.outputPath), earlier);
        EXPECT_EQ(pendingFiles(folder.path() / "out"), 0);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].text.find(pressStop ? "停止后" : "没有读取任何数据"), std::string::npos);
        EXPECT_TRUE(childrenNamed("ffmpeg").empty());
        shown.clear();
    }
}

TEST_F(RunFaults, StoppedVideoEndsWithItsLastFrame) {
    const std::string tone = folder.file("tone.mp3");
    ASSERT_TRUE(makeToneMp3(tone, 44100, 10.0));
    project.settings.bgsound = true;
    addMusicTrack(project, {tone, 10000.0f, 44100});
    const double fullLength = planRun(project).videoLength;
    const GenerationResult result = run([&](int picture) {
        if (picture == 4)
            stop = true;
    });
    ASSERT_EQ(result.outcome, EncoderOutcome::Stopped)
        << result.errorText << (shown.empty() ? "" : shown[0].text);
    EXPECT_TRUE(result.videoKept);
    const std::string streams = streamEntries(request.outputPath, "codec_type,duration");
    double video = -1, audio = -1;
    std::istringstream lines(streams);
    std::string line, type;
    while (std::getline(lines, line)) {
        if (line.rfind("codec_type=", 0) == 0)
            type = line.substr(11);
        else if (line.rfind("duration=", 0) == 0)
            (type == "video" ? video : audio) = std::stod(line.substr(9));
    }
    EXPECT_GT(video, 0.1) << streams;
    EXPECT_LT(video, fullLength - 0.5) << streams;
    EXPECT_NEAR(audio, video, 0.15) << streams;
    EXPECT_EQ(pendingFiles(folder.path() / "out"), 0);
}

TEST_F(RunFaults, StoppedVideoEndsWhereAPictureEnds) {
    // Time enough for the current picture's frames however loaded the machine.
    request.encoder.stopDelivery = std::chrono::milliseconds(60000);
    for (const int stopAt : {2, 5, 9}) {
        SCOPED_TRACE(stopAt);
        const GenerationResult result = run([&](int picture) {
            if (picture == stopAt)
                stop = true;
        });
        ASSERT_EQ(result.outcome, EncoderOutcome::Stopped) << result.errorText;
        const long long frames = countVideoFrames(request.outputPath);
        bool atAnEnd = false;
        for (int pictures = 1; pictures < 12; ++pictures)
            atAnEnd |= frames == countRunFrames(project, pictures);
        EXPECT_TRUE(atAnEnd) << frames << " frames";
        EXPECT_LT(frames, countRunFrames(project, 12));
    }
}

TEST_F(RunFaults, EncoderThatWritesGarbageFailsTheRun) {
    const std::string earlier = earlierVideo();
    // Takes all its input and exits 0, but what it leaves is no MP4.
    writeScript(folder.path() / "tool" / "ffmpeg",
                "for last; do :; done\ncat >/dev/null\necho garbage >\"$last\"\nexit 0");
    const GenerationResult result = run();
    EXPECT_EQ(result.outcome, EncoderOutcome::Failed);
    EXPECT_NE(result.errorText.find("不完整"), std::string::npos) << result.errorText;
    EXPECT_EQ(readWholeFile(request.outputPath), earlier);
    EXPECT_EQ(pendingFiles(folder.path() / "out"), 0);
    ASSERT_EQ(shown.size(), 1u);
}

TEST_F(RunFaults, FailedCoverStepKeepsTheVideoWithoutCover) {
    project.settings.cover = true;
    project.settings.coverPath = project.items[1].path;
    request.coverTimeLimit = std::chrono::milliseconds(800);
    const std::filesystem::path tool = folder.path() / "tool" / "AtomicParsley";
    // The user presses stop once the cover tool is running, however slow the machine.
    const std::filesystem::path started = folder.path() / "cover-tool-started";
    struct Case {
        const char* name;
        std::string script;
        bool pressStop;
    } cases[] = {
        // Blocked for ever, as in a write to a full disk: the time limit ends it.
        {"blocks", "exec sleep 100000", false},
        // Blocked, and the user stops the run.
        {"blocks, stop", ": >'" + started.string() + "'\nexec sleep 100000", true},
        // Ends with 0 after writing only half of its output.
        {"half output", "head -c 2000 \"$1\" >\"$5\"\nexit 0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeScript(tool, c.script);
        std::thread user;
        const GenerationResult result = run([&](int picture) {
            if (c.pressStop && picture == 12)
                user = std::thread([&] {
                    for (int i = 0; i < 6000 && !std::filesystem::exists(started); ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    stop = true;
                });
        });
        if (user.joinable())
            user.join();
        EXPECT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
        EXPECT_FALSE(result.coverEmbedded);
        EXPECT_TRUE(result.videoKept);
        EXPECT_GT(countVideoFrames(request.outputPath), 0);
        EXPECT_EQ(pendingFiles(folder.path() / "out"), 0);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text.rfind("封面设置失败：", 0), 0u) << shown[0].text;
        EXPECT_TRUE(childrenNamed("sleep").empty());
        shown.clear();
    }
}

TEST_F(RunFaults, CoverOnANearlyFullDiskKeepsTheVideoWithoutCover) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    project.settings.cover = true;
    project.settings.coverPath = project.items[1].path;
    request.coverTimeLimit = std::chrono::milliseconds(5000);
    ASSERT_EQ(run().outcome, EncoderOutcome::Done);
    // Room for the video, but not for the cover tool's copy of it.
    const auto size = std::filesystem::file_size(request.outputPath);
    const std::filesystem::path disk = folder.path() / "disk";
    std::filesystem::create_directories(disk);
    const std::string options = "size=" + std::to_string(size * 3 / 2);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, options.c_str()) != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::filesystem::path path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    shown.clear();
    request.outputPath = (disk / "video.mp4").string();
    const GenerationResult result = run();
    EXPECT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
    EXPECT_FALSE(result.coverEmbedded);
    EXPECT_TRUE(result.videoKept);
    EXPECT_GT(countVideoFrames(request.outputPath), 0);
    EXPECT_EQ(pendingFiles(disk), 0);
    ASSERT_EQ(shown.size(), 1u);
    const std::string text = shown[0].text;
    EXPECT_TRUE(text.rfind("封面设置失败：", 0) == 0 || text.rfind("设置封面没有成功：", 0) == 0)
        << text;
}

TEST_F(RunFaults, LongestFileNameIsWrittenAndStaleLeftoversGo) {
    // 255 bytes with the extension: the most the file system takes.
    request.outputPath = (folder.path() / "out" /
                          (std::string(103, 'x') + "视频视频视频视频视频视频视频视频" +
                           std::string(100, 'y') + ".mp4"))
                             .string();
    ASSERT_EQ(std::filesystem::path(request.outputPath).filename().string().size(), 255u);
    // A hard-stopped earlier run of a process that is gone left its temporary file.
    const std::filesystem::path stale =
        folder.path() / "out" / (".a.mp4.999999999-0@" + leftoverHostName() + ".part.mp4");
    std::ofstream(stale) << "partial";
    const GenerationResult result = run();
    EXPECT_EQ(result.outcome, EncoderOutcome::Done) << result.errorText;
    EXPECT_GT(countVideoFrames(request.outputPath), 0);
    EXPECT_EQ(pendingFiles(folder.path() / "out"), 0);
}

// Every kept video has its index before its media, whichever step wrote it last, and still
// holds all its frames.
TEST_F(RunFaults, EveryKeptVideoHasItsIndexBeforeItsMedia) {
    const int total = planRun(project).totalFrames;
    const std::filesystem::path tool = folder.path() / "tool" / "AtomicParsley";
    struct Case {
        const char* name;
        bool cover;
        std::string coverScript; // empty: the real cover tool
        bool pressStop;
        bool coverEmbedded;
    } cases[] = {
        {"no cover", false, "", false, false},
        {"real cover tool", true, "", false, true},
        // A cover tool that keeps the index where the encoder left it, at the end.
        {"cover tool keeps index last", true, "cp \"$1\" \"$5\"", false, true},
        {"stopped", false, "", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.coverScript.empty())
            writeScript(tool, c.coverScript);
        project.settings.cover = c.cover;
        project.settings.coverPath = project.items[1].path;
        const GenerationResult result = run([&](int picture) {
            if (c.pressStop && picture == 6)
                stop = true;
        });
        ASSERT_TRUE(result.videoKept) << result.errorText;
        EXPECT_EQ(result.coverEmbedded, c.coverEmbedded);
        const Mp4Layout layout = readMp4Layout(result.keptPath);
        EXPECT_TRUE(layout.complete());
        EXPECT_TRUE(layout.indexFirst());
        const int frames = countVideoFrames(result.keptPath);
        if (c.pressStop) {
            EXPECT_GT(frames, 0);
            EXPECT_LT(frames, total);
        } else {
            EXPECT_EQ(frames, total);
        }
        EXPECT_EQ(pendingFiles(folder.path() / "out"), 0);
        std::filesystem::remove(result.keptPath);
    }
}

// A file that is not a complete MP4 is left as it was.
TEST(IndexMove, AnIncompleteFileIsLeftUnchanged) {
    TempFolder folder;
    const std::string path = folder.file("broken.mp4");
    const std::string bytes("\0\0\0\x10"
                            "ftypisom\0\0\0\0"
                            "\0\0\0\x40mdat",
                            24);
    std::ofstream(path, std::ios::binary) << bytes;
    std::string failure;
    EXPECT_FALSE(moveIndexToFront(path, failure));
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(readWholeFile(path), bytes);
}

} // namespace
} // namespace velomira
