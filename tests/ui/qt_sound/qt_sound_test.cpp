// The Qt sound player against real files: an MP3 made by ffmpeg, random bytes, a vanished
// file. Audio goes to a private PulseAudio daemon with a null sink, so nothing is heard and
// the machine's own sound set-up does not matter.
#include "support/program_run.h"
#include "support/temp_folder.h"
#include "ui/qt/qt_sound.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace velomira {
namespace {

using testing::startProgram;
using testing::TempFolder;
using testing::waitForProgram;

// A PulseAudio daemon of our own with one null sink, reachable only through its socket.
class NullAudio {
  public:
    explicit NullAudio(const std::filesystem::path& folder) {
        socket_ = (folder / "native").string();
        pid_ = startProgram(
            {.argv = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                      "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr", "-L",
                      "module-null-sink sink_name=velomira_null", "-L",
                      "module-native-protocol-unix auth-anonymous=1 socket=" + socket_},
             .environment = {"HOME=" + folder.string(), "XDG_RUNTIME_DIR=" + folder.string()}});
        if (pid_ < 0)
            return;
        for (int i = 0; i < 100 && !std::filesystem::exists(socket_); ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            usleep(50'000);
        }
    }
    ~NullAudio() {
        if (pid_ < 0)
            return;
        kill(pid_, SIGTERM);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    NullAudio(const NullAudio&) = delete;
    NullAudio& operator=(const NullAudio&) = delete;

    bool running() const { return pid_ > 0 && std::filesystem::exists(socket_); }
    std::string server() const { return "unix:" + socket_; }

  private:
    pid_t pid_ = -1;
    std::string socket_;
};

class QtSoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists("/usr/bin/ffmpeg"))
            GTEST_SKIP() << "ffmpeg is not installed: no MP3 to play";
        audio_.emplace(folder.path());
        // The player connects to the sound server when it is first used, so the address must be
        // set before the application and the player exist.
        if (audio_->running())
            setenv("PULSE_SERVER", audio_->server().c_str(), 1);
        static int argc = 1;
        static char name[] = "velomira_qt_sound_tests";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            app_ = std::make_unique<QCoreApplication>(argc, argv);
        if (!QtSound::audioOutputAvailable())
            GTEST_SKIP() << "no audio output: pulseaudio could not be started and the system "
                            "offers no other output device";
    }

    // A sine tone of the given length, made by ffmpeg.
    std::string tone(const std::string& name, double seconds, int rate = 44100) {
        const std::string path = folder.file(name);
        EXPECT_EQ(
            waitForProgram(startProgram(
                {.argv = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                          "sine=frequency=440:duration=" + std::to_string(seconds), "-ar",
                          std::to_string(rate), "-c:a", "libmp3lame", "-b:a", "64k", path}})),
            0);
        return path;
    }

    // Runs the event loop until done() or the time is up.
    template <typename Done> bool waitFor(Done done, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    TempFolder folder;
    std::optional<NullAudio> audio_;
    std::unique_ptr<QCoreApplication> app_;
};

TEST_F(QtSoundTest, PlaysAnMp3ToTheEndAndReportsOnTheWindowThread) {
    const std::string path = tone("tone.mp3", 0.6, 48000);
    QtSound sound;
    ASSERT_TRUE(sound.open(path));
    std::vector<PlaybackEnd> ends;
    QThread* calledOn = nullptr;
    ASSERT_TRUE(sound.play([&](PlaybackEnd end) {
        ends.push_back(end);
        calledOn = QThread::currentThread();
    }));
    EXPECT_TRUE(ends.empty()) << "the completion must never run from inside play()";
    EXPECT_TRUE(waitFor([&] { return sound.positionMs() > 0 || !ends.empty(); }, 10'000))
        << "playback never began";
    ASSERT_TRUE(waitFor([&] { return !ends.empty(); }, 15'000)) << "playback never ended";
    EXPECT_EQ(ends, std::vector<PlaybackEnd>{PlaybackEnd::Finished});
    EXPECT_EQ(calledOn, QCoreApplication::instance()->thread());
    EXPECT_NEAR(static_cast<double>(sound.durationMs()), 600.0, 150.0);
    // Closing after the end and playing again from the start works the same way.
    sound.close();
    EXPECT_FALSE(sound.isOpen());
    ASSERT_TRUE(sound.open(path));
    ASSERT_TRUE(sound.play([&](PlaybackEnd end) { ends.push_back(end); }));
    ASSERT_TRUE(waitFor([&] { return ends.size() == 2; }, 15'000));
    EXPECT_EQ(ends.back(), PlaybackEnd::Finished);
}

TEST_F(QtSoundTest, PausedPlaybackWaitsAndClosedPlaybackNeverReports) {
    // Long enough that pausing and closing surely land while it plays, even on a busy machine.
    const std::string path = tone("long.mp3", 2.0);
    QtSound sound;
    std::vector<PlaybackEnd> ends;
    ASSERT_TRUE(sound.open(path));
    ASSERT_TRUE(sound.play([&](PlaybackEnd end) { ends.push_back(end); }));
    ASSERT_TRUE(waitFor([&] { return sound.positionMs() > 0; }, 10'000));
    sound.pause();
    EXPECT_FALSE(waitFor([&] { return !ends.empty(); }, 1'500)) << "ended while paused";
    sound.resume();
    ASSERT_TRUE(waitFor([&] { return !ends.empty(); }, 15'000));
    EXPECT_EQ(ends, std::vector<PlaybackEnd>{PlaybackEnd::Finished});

    // A completion owed at close time is dropped, also one already queued.
    ends.clear();
    ASSERT_TRUE(sound.open(path));
    ASSERT_TRUE(sound.play([&](PlaybackEnd end) { ends.push_back(end); }));
    ASSERT_TRUE(waitFor([&] { return sound.positionMs() > 0 || !ends.empty(); }, 10'000))
        << "position " << sound.positionMs();
    ASSERT_TRUE(ends.empty()) << "ended as " << static_cast<int>(ends.front());
    sound.close();
    EXPECT_FALSE(waitFor([&] { return !ends.empty(); }, 1'500));
}

TEST_F(QtSoundTest, RandomBytesAndVanishedFilesAreNeverReportedAsPlayed) {
    std::mt19937 random(12);
    std::string noise(20'000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    QtSound sound;
    const std::string garbage = folder.writeFile("noise.mp3", noise);
    std::vector<PlaybackEnd> ends;
    if (sound.open(garbage) && sound.play([&](PlaybackEnd end) { ends.push_back(end); })) {
        ASSERT_TRUE(waitFor([&] { return !ends.empty(); }, 15'000));
        EXPECT_EQ(ends, std::vector<PlaybackEnd>{PlaybackEnd::Unplayable});
    }
    sound.close();

    EXPECT_FALSE(sound.open(folder.file("gone.mp3")));
    EXPECT_FALSE(sound.open(folder.path().string())) << "a folder is not a sound";
    EXPECT_FALSE(sound.play([](PlaybackEnd) {})) << "nothing is open";
}

} // namespace
} // namespace velomira
