// Display times per picture and picture changes on the beat, through velomira-render as a user
// runs it: --info promises what the MP4 holds, and on click tracks made by ffmpeg every change
// of picture lands on a click.
#include "support/picture_files.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

#include <cjson/cJSON.h>
#include <cmath>
#include <gtest/gtest.h>

namespace velomira {
namespace {

using testing::finishProgram;
using testing::privateHome;
using testing::programOutput;
using testing::ProgramRun;
using testing::startProgram;
using testing::TempFolder;
using testing::writeSolidPicture;

constexpr int kWidth = 64;
constexpr int kHeight = 36;

class MusicTimingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(home.path() / "config");
        const char* colours[] = {"#000000", "#ffffff", "#808080", "#404040"};
        for (int i = 0; i < 4; ++i)
            pictures.push_back(writeSolidPicture(folder.file("p" + std::to_string(i) + ".png"),
                                                 kWidth, kHeight, colours[i], "png"));
    }

    ProgramRun run(std::vector<std::string> args) {
        args.insert(args.begin(), VELOMIRA_RENDER_PROGRAM);
        std::vector<std::string> environment = privateHome(home.path());
        environment.push_back("XDG_CACHE_HOME=" + (home.path() / "cache").string());
        const pid_t pid = startProgram({args, environment, out, err});
        EXPECT_GT(pid, 0);
        return finishProgram(pid, out, err);
    }

    std::vector<std::string> album(int count) const {
        std::vector<std::string> args{"--pictures"};
        args.insert(args.end(), pictures.begin(), pictures.begin() + count);
        args.insert(args.end(), {"--size", std::to_string(kWidth) + "x" + std::to_string(kHeight)});
        return args;
    }

    // Music made by ffmpeg's expression source.
    std::string music(const std::string& name, const std::string& expression, int seconds) {
        const std::string path = folder.file(name);
        const ProgramRun made =
            programOutput({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                           "aevalsrc='" + expression + "':s=44100:d=" + std::to_string(seconds),
                           "-c:a", "libmp3lame", "-b:a", "128k", path});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        return path;
    }

    // The info report and the video of the same command line; the video's frames are checked
    // against the report.
    cJSON* infoAndVideo(const std::vector<std::string>& args, std::string& video) {
        std::vector<std::string> info = args;
        info.push_back("--info");
        const ProgramRun report = run(info);
        EXPECT_EQ(report.exitCode, 0) << report.err;
        video = folder.file("out.mp4");
        std::vector<std::string> make = args;
        make.insert(make.end(), {"-o", video});
        const ProgramRun made = run(make);
        EXPECT_EQ(made.exitCode, 0) << made.err;
        lastErr = made.err;
        return cJSON_Parse(report.out.c_str());
    }

    static int number(const cJSON* object, const char* member) {
        const cJSON* item = cJSON_GetObjectItem(object, member);
        return cJSON_IsNumber(item) ? item->valueint : -1;
    }

    static std::string probe(const std::string& video, const std::string& entries) {
        std::string text =
            programOutput({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                           "-show_entries", entries, "-of", "default=nw=1:nk=1", video})
                .out;
        return text.substr(0, text.find('\n'));
    }

    // The frames where the picture changes: the mean grey level jumps.
    static std::vector<int> cuts(const std::string& video) {
        const std::string bytes = programOutput({"ffmpeg", "-v", "error", "-i", video, "-f",
                                                 "rawvideo", "-pix_fmt", "gray", "-"})
                                      .out;
        const std::size_t size = kWidth * kHeight;
        std::vector<int> found;
        double previous = -1;
        for (std::size_t at = 0, frame = 0; at + size <= bytes.size(); at += size, ++frame) {
            double sum = 0;
            for (std::size_t i = at; i < at + size; ++i)
                sum += static_cast<unsigned char>(bytes[i]);
            const double mean = sum / size;
            if (previous >= 0 && std::fabs(mean - previous) > 20)
                found.push_back(static_cast<int>(frame));
            previous = mean;
        }
        return found;
    }

    TempFolder folder;
    TempFolder home;
    std::vector<std::string> pictures;
    std::string out = folder.file("stdout.txt");
    std::string err = folder.file("stderr.txt");
    std::string lastErr;
};

TEST_F(MusicTimingTest, OwnTimesByTransitionAndMotionAgreeWithTheVideo) {
    const struct {
        const char* pauses;
        const char* transition;
        const char* motion;
    } cases[] = {{"1|0.2|0.6", "99", "none"},
                 {"0.3||1.2", "31", "none"},
                 {"0.8|0|0.4", "0", "zoom-in"},
                 {"|0.5|", "12", "pan-left"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pauses) + " " + c.transition + " " + c.motion);
        std::vector<std::string> args = album(3);
        args.insert(args.end(), {"--pause", "0.4", "--pauses", c.pauses, "--transition",
                                 c.transition, "--motion", c.motion});
        std::string video;
        cJSON* info = infoAndVideo(args, video);
        ASSERT_NE(info, nullptr);
        const int frames = number(info, "totalFrames");
        int sum = 0;
        const cJSON* entry = nullptr;
        cJSON_ArrayForEach(entry, cJSON_GetObjectItem(info, "pictures")) sum +=
            number(entry, "frames");
        cJSON_Delete(info);
        EXPECT_EQ(sum, frames);
        EXPECT_EQ(probe(video, "stream=nb_read_frames"), std::to_string(frames));
        EXPECT_NEAR(std::stod(probe(video, "format=duration")), frames / 25.0, 0.04);
    }
}

TEST_F(MusicTimingTest, PictureChangesLandOnTheClicks) {
    // 120 BPM, and a ramp from 110 to 130 BPM over 8 s: a click where the beat count passes a
    // whole number.
    const struct {
        const char* name;
        const char* expression;
        int within; // frames
    } tracks[] = {
        {"steady", "if(lt(mod(t,0.5),0.01),1,0)", 1},
        {"ramp", "if(lt(mod((110*t+1.25*t*t)/60,1),0.02),1,0)", 2},
    };
    for (const auto& track : tracks) {
        SCOPED_TRACE(track.name);
        std::vector<std::string> args = album(4);
        args.insert(args.end(),
                    {"--pause", "0.4", "--transition", "99", "--music",
                     music(std::string(track.name) + ".mp3", track.expression, 6), "--beat-sync"});
        std::string video;
        cJSON* info = infoAndVideo(args, video);
        ASSERT_NE(info, nullptr);
        const int frames = number(info, "totalFrames");
        std::vector<int> promised;
        const cJSON* change = nullptr;
        cJSON_ArrayForEach(change, cJSON_GetObjectItem(info, "beatChanges"))
            promised.push_back(number(change, "frame"));
        cJSON_Delete(info);
        ASSERT_EQ(promised.size(), 3u);
        EXPECT_EQ(probe(video, "stream=nb_read_frames"), std::to_string(frames));
        EXPECT_EQ(cuts(video), promised);
        for (int frame : promised) {
            // The nearest click: solve the beat count for the whole number closest to it.
            const double t = frame / 25.0;
            const double beats =
                std::string(track.name) == "steady" ? 2 * t : (110 * t + 1.25 * t * t) / 60;
            const double n = std::round(beats);
            const double click = std::string(track.name) == "steady"
                                     ? n / 2
                                     : (-110 + std::sqrt(110.0 * 110 + 4 * 1.25 * 60 * n)) / 2.5;
            EXPECT_LE(std::fabs(frame - click * 25), track.within + 0.5) << frame;
        }
    }
    // Each track was analysed once and kept.
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(home.path() / "cache/velomira/beats"),
                      std::filesystem::directory_iterator()),
        2);
}

TEST_F(MusicTimingTest, MusicWithoutABeatSaysSoAndKeepsEvenTimes) {
    std::vector<std::string> args = album(3);
    args.insert(args.end(), {"--pause", "0.4", "--music",
                             music("tone.mp3", "0.3*sin(2*PI*440*t)", 3), "--beat-sync", "--info"});
    const ProgramRun report = run(args);
    ASSERT_EQ(report.exitCode, 0) << report.err;
    EXPECT_NE(report.err.find("音乐中没有可以跟随的节拍"), std::string::npos) << report.err;
    EXPECT_EQ(report.out.find("beatChanges"), std::string::npos);
}

TEST_F(MusicTimingTest, SavedProjectsHoldTheNewKeysOnlyWhenUsed) {
    const struct {
        std::vector<std::string> extra;
        bool keys;
    } cases[] = {{{}, false}, {{"--pauses", "1.5"}, true}, {{"--beat-sync"}, true}};
    for (const auto& c : cases) {
        std::vector<std::string> args = album(2);
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const std::string project = folder.file("album.dat");
        args.insert(args.end(), {"--save", project, "--info"});
        ASSERT_EQ(run(args).exitCode, 0);
        const std::string text = testing::readWholeFile(project);
        EXPECT_EQ(text.find("pauseSeconds") != std::string::npos ||
                      text.find("beat_sync") != std::string::npos,
                  c.keys)
            << text;
    }
}

} // namespace
} // namespace velomira
