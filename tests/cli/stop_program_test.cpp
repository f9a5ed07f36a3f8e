// velomira-render from a program folder of the test's own, with tools that make the hard cases:
// music files with any name, and stops that must not wait (for a one-hour soundtrack, for an
// encoder that takes frames no faster than they play, or for the cover tool).
#include "support/picture_files.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace velomira {
namespace {

using testing::finishProgram;
using testing::privateHome;
using testing::programOutput;
using testing::ProgramRun;
using testing::readWholeFile;
using testing::startProgram;
using testing::TempFolder;
using testing::writeSolidPicture;
using Clock = std::chrono::steady_clock;

// Far above what a stop takes on a loaded machine, far below what waiting for the queued frames
// or the whole soundtrack takes.
constexpr auto kStopLimit = std::chrono::seconds(20);

class StopProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::filesystem::path built = VELOMIRA_RENDER_PROGRAM;
        encoder = std::filesystem::canonical(built.parent_path() / "tool" / "ffmpeg").string();
        std::filesystem::create_directories(program.path() / "tool");
        std::filesystem::copy_file(built, program.path() / "velomira-render");
        std::filesystem::create_symlink(encoder, program.path() / "tool" / "ffmpeg");
        std::filesystem::create_symlink(
            std::filesystem::canonical(built.parent_path() / "tool" / "AtomicParsley"),
            program.path() / "tool" / "AtomicParsley");
        std::filesystem::create_directories(home.path() / "config");
        for (int i = 0; i < 3; ++i)
            pictures.push_back(writeSolidPicture(folder.file("p" + std::to_string(i) + ".png"),
                                                 64 + 16 * i, 48, colours[i], "png"));
    }

    void replaceTool(const std::string& name, const std::string& script) {
        const std::filesystem::path tool = program.path() / "tool" / name;
        std::filesystem::remove(tool);
        std::ofstream(tool) << "#!/bin/sh\n" << script << "\n";
        std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    }

    pid_t start(std::vector<std::string> args) {
        args.insert(args.begin(), (program.path() / "velomira-render").string());
        const pid_t pid = startProgram({args, privateHome(home.path()), outFile, errFile});
        EXPECT_GT(pid, 0);
        return pid;
    }

    // Pictures enough for minutes of video at 640 x 360.
    std::vector<std::string> longAlbum(const std::string& output) const {
        std::vector<std::string> args{"--pictures"};
        for (int i = 0; i < 40; ++i)
            args.push_back(pictures[i % 3]);
        args.insert(args.end(),
                    {"--size", "640x360", "--pause", "3", "--transition", "60", "-o", output});
        return args;
    }

    // Waits (with a generous limit) until the file exists.
    static bool appears(const std::string& path) {
        for (int i = 0; i < 1200 && !std::filesystem::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return std::filesystem::exists(path);
    }

    // Waits (with a generous limit) until the video's temporary file is there.
    bool begun(const std::string& name) const {
        for (int i = 0; i < 1200; ++i) {
            for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
                if (entry.path().filename().string().rfind("." + name + ".", 0) == 0)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    static std::string probe(const std::string& video, const std::string& stream,
                             const std::string& entries) {
        std::string text =
            programOutput({"ffprobe", "-v", "error", "-count_frames", "-select_streams", stream,
                           "-show_entries", entries, "-of", "default=nw=1:nk=1", video})
                .out;
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }

    // A valid MP3 of about `seconds`, made of one short piece repeated (frames stand alone).
    std::string longTrack(double seconds) {
        const std::string piece = folder.file("piece.mp3");
        programOutput({encoder, "-v", "error", "-y", "-f", "lavfi", "-i",
                       "sine=frequency=300:sample_rate=8000:duration=10", "-ac", "1", "-b:a", "8k",
                       "-write_xing", "0", "-id3v2_version", "0", piece});
        const std::string bytes = readWholeFile(piece);
        EXPECT_FALSE(bytes.empty());
        const std::string path = folder.file("long.mp3");
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < static_cast<int>(seconds / 10); ++i)
            out << bytes;
        return path;
    }

    TempFolder folder;
    TempFolder program;
    TempFolder home;
    std::string encoder;
    std::vector<std::string> pictures;
    const char* colours[3] = {"#ff0000", "#00ff00", "#0000ff"};
    std::string outFile = folder.file("stdout.txt");
    std::string errFile = folder.file("stderr.txt");
};

TEST_F(StopProgramTest, MusicFilesWithAnyNameAreMixedIn) {
    const std::string tone = folder.file("tone.mp3");
    programOutput({encoder, "-v", "error", "-y", "-f", "lavfi", "-i",
                   "sine=frequency=440:duration=3", "-ac", "2", tone});
    const std::string bytes = readWholeFile(tone);
    ASSERT_FALSE(bytes.empty());
    const char* names[] = {"a|b.mp3",        "x|y|z.mp3",      "it's \"quoted\".mp3",
                           "-leading.mp3",   "two\nlines.mp3", "\xff\xfe bytes.mp3",
                           "concat:odd.mp3", "with space.mp3"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::string track = folder.writeFile(name, bytes);
        for (const bool second : {false, true}) {
            const std::string video = folder.file("music.mp4");
            std::vector<std::string> args{"--pictures", pictures[0], pictures[1],
                                          "--size",     "160x90",    "--pause",
                                          "0.2",        "--music",   track};
            if (second)
                args.insert(args.end(), {"--music", tone});
            args.insert(args.end(), {"-o", video});
            const ProgramRun made = finishProgram(start(args), outFile, errFile);
            ASSERT_EQ(made.exitCode, 0) << made.err;
            const std::string audio = probe(video, "a:0", "stream=duration");
            ASSERT_FALSE(audio.empty()) << "the video carries the music";
            EXPECT_NEAR(std::stod(audio), std::stod(probe(video, "v:0", "stream=duration")), 0.1);
        }
    }
    // The links made for the encoder went with the runs.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(program.path()))
        EXPECT_EQ(entry.path().filename().string().rfind("music_", 0), std::string::npos)
            << entry.path();
}

// Each way of holding a stop up: the run ends soon after Ctrl+C as a stop (130), with the video
// so far playable, its sound no longer than its pictures, and without a cover.
TEST_F(StopProgramTest, AStopEndsTheRunSoonWhateverHoldsItUp) {
    const std::string marker = folder.file("cover-tool-started");
    const std::string track = longTrack(3600);
    struct Case {
        const char* name;
        std::string encoderScript; // empty: the real encoder
        std::string coverScript;   // empty: the real cover tool
        bool music;
        std::string waitFor; // pressed once this file exists; else once the video is begun
    } cases[] = {
        {"one-hour soundtrack", "", "", true, ""},
        {"encoder that takes frames as they play", "exec '" + encoder + "' -re \"$@\"", "", false,
         ""},
        {"cover step", "", ": >'" + marker + "'\nexec sleep 100000", false, marker},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.encoderScript.empty())
            replaceTool("ffmpeg", c.encoderScript);
        if (!c.coverScript.empty())
            replaceTool("AtomicParsley", c.coverScript);
        const std::string video = folder.file("stopped.mp4");
        std::filesystem::remove(video);
        std::vector<std::string> args = longAlbum(video);
        if (c.music)
            args.insert(args.end(), {"--music", track});
        if (c.waitFor == marker) {
            args = {"--pictures", pictures[0], pictures[1], "--size", "160x90", "--pause",
                    "0.2",        "--cover",   pictures[2], "-o",     video};
        }
        const pid_t pid = start(args);
        // Pressed a second into the video (its temporary file is there), or at the marker.
        ASSERT_TRUE(c.waitFor.empty() ? begun("stopped.mp4") : appears(c.waitFor));
        if (c.waitFor.empty())
            std::this_thread::sleep_for(std::chrono::seconds(1));
        const auto pressed = Clock::now();
        kill(pid, SIGINT);
        const ProgramRun stopped = finishProgram(pid, outFile, errFile);
        EXPECT_LT(Clock::now() - pressed, kStopLimit);
        ASSERT_EQ(stopped.exitCode, 130) << stopped.err;
        EXPECT_NE(stopped.err.find("stopped; the video so far: " + video), std::string::npos)
            << stopped.err;
        const std::string frames = probe(video, "v:0", "stream=nb_read_frames");
        ASSERT_FALSE(frames.empty()) << "the video plays";
        EXPECT_GT(std::stoi(frames), 0);
        EXPECT_EQ(probe(video, "v:1", "stream=index"), "") << "no cover";
        if (c.music) {
            EXPECT_NEAR(std::stod(probe(video, "a:0", "stream=duration")),
                        std::stod(probe(video, "v:0", "stream=duration")), 0.3);
        }
        std::filesystem::remove(program.path() / "tool" / "ffmpeg");
        std::filesystem::create_symlink(encoder, program.path() / "tool" / "ffmpeg");
    }
}

} // namespace
} // namespace velomira
