// Audio files of every kind through the real prober: their lengths and rates, and a clear
// outcome for each kind of bad file, never a hang.
#include "services/music_track.h"

#include "support/program_run.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velomira {
namespace {

using testing::TempFolder;

class MusicProbe : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists("/usr/bin/ffmpeg") || !std::filesystem::exists(prober))
            GTEST_SKIP() << "ffmpeg or ffprobe is not installed";
    }

    // A 2 s tone of the given rate in the file's format, chosen by its name and codec.
    bool makeTone(const std::string& name, int rate, const std::string& codec = {}) {
        std::vector<std::string> argv = {"/usr/bin/ffmpeg",
                                         "-v",
                                         "error",
                                         "-y",
                                         "-f",
                                         "lavfi",
                                         "-i",
                                         "sine=f=440:d=2:sample_rate=" + std::to_string(rate)};
        if (!codec.empty())
            argv.insert(argv.end(), {"-c:a", codec});
        argv.push_back(folder.file(name));
        return testing::programOutput(argv).exitCode == 0;
    }

    TempFolder folder;
    std::filesystem::path prober = "/usr/bin/ffprobe";
};

TEST_F(MusicProbe, EveryKindIsTakenWithItsRateAndLength) {
    struct Case {
        const char* name;
        int rate;
        const char* codec;
    } const cases[] = {
        {"a.mp3", 44100, ""},  {"b.m4a", 48000, "aac"},       {"c.aac", 44100, ""},
        {"d.flac", 96000, ""}, {"e.ogg", 44100, "libvorbis"}, {"f.opus", 48000, "libopus"},
        {"g.WAV", 22050, ""},  {"h.oga", 32000, "flac"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(makeTone(c.name, c.rate, c.codec));
        const MusicFileReading reading = readMusicFile(folder.file(c.name), prober);
        ASSERT_TRUE(reading.track);
        EXPECT_EQ(reading.problem, MusicFileProblem::None);
        EXPECT_EQ(reading.track->path, folder.file(c.name));
        EXPECT_EQ(reading.track->sampleRate, c.rate);
        // The prober's lengths are right within 40 ms. The MP3 reader counts whole frames, the
        // encoder's priming and padding frames included, as it always has.
        EXPECT_NEAR(reading.track->durationMs, 2000.0,
                    c.name == std::string("a.mp3") ? 80.0 : 40.0);
    }
}

TEST_F(MusicProbe, BadFilesAreNamedAndLeftOut) {
    ASSERT_TRUE(makeTone("whole.flac", 44100));
    std::ifstream whole(folder.file("whole.flac"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(whole)), {});
    ASSERT_TRUE(testing::programOutput({"/usr/bin/ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                                        "color=c=red:s=32x32:d=1", folder.file("picture.m4a")})
                    .exitCode == 0);
    struct Case {
        std::string name;
        std::string bytes; // empty: made above
        MusicFileProblem problem;
    } const cases[] = {
        {"corrupt.flac", std::string(5000, '\x5a'), MusicFileProblem::Unreadable},
        {"truncated.flac", bytes.substr(0, 300), MusicFileProblem::Unreadable},
        {"picture.m4a", {}, MusicFileProblem::NoAudio},
        {"empty.ogg", "", MusicFileProblem::Empty},
        {"gone.wav", {}, MusicFileProblem::Unreadable},
        {"notes.txt", "text", MusicFileProblem::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.problem == MusicFileProblem::Empty || !c.bytes.empty())
            folder.writeFile(c.name, c.bytes);
        const MusicFileReading reading = readMusicFile(folder.file(c.name), prober);
        EXPECT_FALSE(reading.track);
        EXPECT_EQ(reading.problem, c.problem);
        const std::string line = musicFileProblemText(c.problem, folder.file(c.name));
        EXPECT_EQ(line.find(c.name) != std::string::npos, c.problem != MusicFileProblem::None);
    }
}

TEST_F(MusicProbe, AProberThatHangsIsEndedAtItsLimit) {
    ASSERT_TRUE(makeTone("slow.flac", 44100));
    const std::string hanging = folder.writeFile("hang.sh", "#!/bin/sh\nexec sleep 600\n");
    std::filesystem::permissions(hanging, std::filesystem::perms::owner_all);
    const MusicFileReading reading =
        readMusicFile(folder.file("slow.flac"), hanging, std::chrono::milliseconds(300));
    EXPECT_EQ(reading.problem, MusicFileProblem::TimedOut);
    EXPECT_EQ(readMusicFile(folder.file("slow.flac"), folder.file("missing")).problem,
              MusicFileProblem::NoProber);
}

} // namespace
} // namespace velomira
