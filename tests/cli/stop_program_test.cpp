// velomira-render from a program folder of the test's own, whose tools make the hard cases:
// music files with any name, and stops that must not wait (for a one-hour soundtrack, for an
// encoder that takes frames no faster than they play, or for the cover tool).
#include "support/picture_files.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace velomira {
namespace {

using namespace velomira::testing;

// Far above what a stop takes on a loaded machine, far below what waiting for the queued frames
// or the whole soundtrack takes.
constexpr auto kStopLimit = std::chrono::seconds(20);

class StopProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::filesystem::path built = VELOMIRA_RENDER_PROGRAM;
        std::filesystem::create_directories(program.path() / "tool");
        std::filesystem::copy_file(built, program.path() / "velomira-render");
        for (const char* tool : {"ffmpeg", "AtomicParsley"}) {
            real[tool] = std::filesystem::canonical(built.parent_path() / "tool" / tool).string();
            useTool(tool, "");
        }
        encoder = real["ffmpeg"];
        std::filesystem::create_directories(home.path() / "config");
        for (int i = 0; i < 3; ++i)
            pictures.push_back(writeSolidPicture(folder.file("p" + std::to_string(i) + ".png"),
                                                 64 + 16 * i, 48, colours[i], "png"));
    }

    // The tool as a script; empty: the real one.
    void useTool(const std::string& name, const std::string& script) {
        const std::filesystem::path tool = program.path() / "tool" / name;
        std::filesystem::remove(tool);
        std::ofstream(tool) << "#!/bin/sh\n"
                            << (script.empty() ? "exec '" + real[name] + "' \"$@\"" : script)
                            << "\n";
        std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    }

    pid_t start(std::vector<std::string> args) {
        args.insert(args.begin(), (program.path() / "velomira-render").string());
        return startProgram({args, privateHome(home.path()), outFile, errFile});
    }

    std::string probe(const std::string& video, const std::string& stream,
                      const std::string& entry) const {
        std::string text =
            programOutput({"ffprobe", "-v", "error", "-count_frames", "-select_streams", stream,
                           "-show_entries", entry, "-of", "default=nw=1:nk=1", video})
                .out;
        return text.substr(0, text.find('\n'));
    }

    // An MP3 of the given seconds: one ten-second piece repeated (MP3 frames stand alone).
    std::string track(int seconds) {
        const std::string piece = folder.file("piece.mp3");
        programOutput({encoder, "-v", "error", "-y", "-f", "lavfi", "-i",
                       "sine=frequency=300:sample_rate=8000:duration=10", "-ac", "1", "-b:a", "8k",
                       "-write_xing", "0", "-id3v2_version", "0", piece});
        const std::string path = folder.file("track" + std::to_string(seconds) + ".mp3");
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < seconds / 10; ++i)
            out << readWholeFile(piece);
        return path;
    }

    TempFolder folder, program, home;
    std::map<std::string, std::string> real; // the tools' own paths
    std::string encoder;
    std::vector<std::string> pictures;
    const char* colours[3] = {"#ff0000", "#00ff00", "#0000ff"};
    std::string outFile = folder.file("stdout.txt");
    std::string errFile = folder.file("stderr.txt");
};

TEST_F(StopProgramTest, MusicFilesWithAnyNameAreMixedIn) {
    const std::string bytes = readWholeFile(track(10));
    const std::string video = folder.file("music.mp4");
    for (const char* name : {"a|b.mp3", "x|y|z.mp3", "it's \"quoted\".mp3", "-leading.mp3",
                             "two\nlines.mp3", "\xff\xfe bytes.mp3", "concat:odd.mp3"}) {
        SCOPED_TRACE(name);
        // Alone and joined with another track.
        for (const std::string& other : {std::string(), folder.file("track10.mp3")}) {
            std::vector<std::string> args{
                "--pictures", pictures[0], "--size",  "160x90",
                "--pause",    "0.2",       "--music", folder.writeFile(name, bytes),
                "-o",         video};
            if (!other.empty())
                args.insert(args.end(), {"--music", other});
            const ProgramRun made = finishProgram(start(args), outFile, errFile);
            ASSERT_EQ(made.exitCode, 0) << made.err;
            EXPECT_NE(probe(video, "a:0", "stream=duration"), "") << "the video has the music";
        }
    }
    // The links made for the encoder went with the runs.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(program.path()))
        EXPECT_NE(entry.path().filename().string().rfind("music_", 0), 0u) << entry.path();
}

// Ctrl+C, held up in each way: the run still ends soon as a stop (130) with the video so far
// playable, its sound no longer than its pictures, and without a cover.
TEST_F(StopProgramTest, AStopEndsTheRunSoonWhateverHoldsItUp) {
    const std::string marker = folder.file("cover-tool-started");
    const std::string video = folder.file("stopped.mp4");
    std::vector<std::string> longAlbum{"--pictures"};
    for (int i = 0; i < 40; ++i)
        longAlbum.push_back(pictures[i % 3]);
    longAlbum.insert(longAlbum.end(), {"--size", "640x360", "--pause", "3", "--transition", "60",
                                       "--cover", pictures[0], "-o", video});
    const struct {
        const char* name;
        const char* tool;
        std::string script;
        std::vector<std::string> extra;
        std::string pressAt; // the file whose appearance is waited for; the video: its begin
    } cases[] = {
        {"a one-hour soundtrack", "ffmpeg", "", {"--music", track(3600)}, video},
        {"an encoder that takes frames as they play",
         "ffmpeg",
         "exec '" + encoder + "' -re \"$@\"",
         {},
         video},
        {"the cover step",
         "AtomicParsley",
         ": >'" + marker + "'\nexec sleep 100000",
         {"--pause", "0.1"},
         marker},
    };
    // Under the sanitizer the first picture takes longer to draw than a stop's delivery window,
    // so the real-time encoder's case would measure the build, not the program.
    const char* sanitized = std::getenv("VELOMIRA_SANITIZED");
    const bool slowBuild = sanitized != nullptr && std::string(sanitized) == "1";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (slowBuild && std::string(c.name) == "an encoder that takes frames as they play")
            continue;
        useTool(c.tool, c.script);
        std::vector<std::string> args = longAlbum;
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const pid_t pid = start(args);
        // Pressed a second into the video (its temporary file is there), or at the marker.
        bool ready = false;
        for (int i = 0; i < 1200 && !ready; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ready = std::filesystem::exists(c.pressAt);
            for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
                ready |= c.pressAt == video &&
                         entry.path().filename().string().rfind(".stopped.mp4.", 0) == 0;
        }
        ASSERT_TRUE(ready);
        std::this_thread::sleep_for(std::chrono::seconds(c.pressAt == video ? 1 : 0));
        const auto pressed = std::chrono::steady_clock::now();
        kill(pid, SIGINT);
        const ProgramRun stopped = finishProgram(pid, outFile, errFile);
        EXPECT_LT(std::chrono::steady_clock::now() - pressed, kStopLimit);
        ASSERT_EQ(stopped.exitCode, 130) << stopped.err;
        EXPECT_NE(stopped.err.find("stopped; the video so far: " + video), std::string::npos)
            << stopped.err;
        const std::string frames = probe(video, "v:0", "stream=nb_read_frames");
        ASSERT_FALSE(frames.empty()) << "the video plays";
        EXPECT_GT(std::stoi(frames), 0);
        EXPECT_EQ(probe(video, "v:1", "stream=index"), "") << "no cover";
        if (!c.extra.empty() && c.extra.front() == "--music") {
            EXPECT_NEAR(std::stod(probe(video, "a:0", "stream=duration")),
                        std::stod(probe(video, "v:0", "stream=duration")), 0.3);
        }
        useTool(c.tool, "");
        std::filesystem::remove(video);
    }
}

} // namespace
} // namespace velomira
