// The music list driven through its commands with a recording sound player, a recording view
// and pre-answered dialogs: adding real and bogus files, listening and its fall-back, removing
// lines around the listened one, completions that arrive late, the switch and the preview's
// music.
#include "album/duration_text.h"
#include "services/music_track.h"
#include "support/recording_dialogs.h"
#include "support/recording_sound.h"
#include "support/temp_folder.h"
#include "ui/music_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <random>

namespace velomira {
namespace {

using testing::RecordingDialogs;
using testing::RecordingSound;
using testing::TempFolder;

struct RecordingMusicView final : MusicListView {
    std::vector<std::string> lines;
    int selected = -1;
    std::map<Command, bool> enabled;
    std::string listenText = "试听";
    std::string audioLength;

    void setMusicLines(const std::vector<std::string>& l) override { lines = l; }
    void setMusicLine(int row, const std::string& line) override {
        ASSERT_GE(row, 0);
        ASSERT_LT(row, static_cast<int>(lines.size()));
        lines[static_cast<std::size_t>(row)] = line;
    }
    void selectMusicLine(int row) override { selected = row; }
    void setMusicControlEnabled(Command control, bool on) override { enabled[control] = on; }
    void setListenButtonText(const std::string& text) override { listenText = text; }
    void setAudioLengthText(const std::string& text) override { audioLength = text; }

    bool suffixed(int row) const {
        const std::string& line = lines.at(static_cast<std::size_t>(row));
        return line.size() > 10 && line.substr(line.size() - 10) == " 试听中";
    }
    int suffixedCount() const {
        int n = 0;
        for (int row = 0; row < static_cast<int>(lines.size()); ++row)
            n += suffixed(row) ? 1 : 0;
        return n;
    }
};

// MPEG 1 layer III frames of 128 kbit/s: 417 bytes at 44100 Hz, 384 bytes at 48000 Hz.
std::string mp3Bytes(int frames, int rate) {
    const std::uint32_t word = rate == 48000 ? 0xFFFB9400 : 0xFFFB9000;
    const std::size_t length = rate == 48000 ? 384 : 417;
    std::string bytes;
    for (int i = 0; i < frames; ++i) {
        std::string frame(length, '\0');
        frame[0] = char(word >> 24);
        frame[1] = char(word >> 16);
        frame[2] = char(word >> 8);
        frame[3] = char(word);
        bytes += frame;
    }
    return bytes + std::string(128, '\0'); // the scan never enters the last 128 bytes
}

class MusicListTest : public ::testing::Test {
  protected:
    MusicList& list() {
        if (!list_) {
            MusicListServices services;
            services.chooseFiles = [this](const std::string& title, const std::string& label,
                                          const std::string& patterns, std::string& folder) {
                requests.push_back(title + "|" + label + "|" + patterns + "|" + folder);
                folder = "/elsewhere";
                return chosen;
            };
            services.openExternally = [this](const std::string& path) {
                externallyOpened.push_back(path);
                return externalResult;
            };
            services.musicChanged = [this] { ++changes; };
            services.musicFolder = "/program/mp3";
            list_ = std::make_unique<MusicList>(album, sound, view, services);
            list_->showAlbum();
        }
        return *list_;
    }

    // Tracks of 2612 ms at 44100 Hz (100 frames) unless told otherwise.
    std::string track(const std::string& name, int frames = 100, int rate = 44100) {
        return folder.writeFile(name, mp3Bytes(frames, rate));
    }

    void addTracks(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(track("t" + std::to_string(i) + ".mp3"));
        list().addPaths(paths);
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& m : dialogs.messages())
            texts.push_back(m.title + ": " + m.text);
        return texts;
    }

    bool on(Command control) { return view.enabled.at(control); }

    TempFolder folder;
    AlbumProject album;
    RecordingSound sound;
    RecordingMusicView view;
    RecordingDialogs dialogs;
    std::vector<std::string> chosen;
    std::vector<std::string> requests;
    std::vector<std::string> externallyOpened;
    ExternalOpenResult externalResult;
    int changes = 0;
    std::unique_ptr<MusicList> list_;
};

TEST_F(MusicListTest, AddingKeepsReadableMp3sOfAnyCaseAndRateAndSkipsTheRestSilently) {
    std::mt19937 random(5);
    std::string noise(30'000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::filesystem::create_directories(folder.path() / "folder.mp3");
    chosen = {track("a.mp3"),
              folder.writeFile("noise.mp3", noise),
              track("LOUD.MP3", 250, 48000),
              track("tune.wav"), // MP3 inside, but not named so
              folder.file("gone.mp3"),
              folder.file("folder.mp3")};
    ASSERT_TRUE(readMusicTrack(folder.file("noise.mp3"))) << "the noise must pass for a frame";
    list();
    EXPECT_EQ(view.audioLength, "音频长度: 00:00:00");
    list().addFiles();

    EXPECT_EQ(requests,
              std::vector<std::string>{"选择背景音乐|mp3音乐 (*.mp3)|*.mp3|/program/mp3"});
    EXPECT_EQ(list().musicFolder(), "/elsewhere") << "the folder used last is kept for exit";
    ASSERT_EQ(album.musicItems.size(), 2u);
    EXPECT_EQ(album.musicItems[1].path, folder.file("LOUD.MP3"));
    // Different rates are accepted here; generation refuses them later.
    ASSERT_EQ(view.lines.size(), 2u);
    EXPECT_EQ(view.lines[0], "a.mp3" + std::string(103, ' ') + " 44100Hz     00:00:02");
    EXPECT_EQ(view.lines[1], "LOUD.MP3" + std::string(100, ' ') + " 48000Hz     00:00:06");
    EXPECT_EQ(view.audioLength, "音频长度: 00:00:08"); // 2.612 s + 6.0 s
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(on(Command::MusicAdd));
    EXPECT_FALSE(on(Command::MusicRemove)) << "nothing is selected yet";
    EXPECT_FALSE(on(Command::MusicListen));

    chosen = {}; // cancelled
    list().addFiles();
    EXPECT_EQ(album.musicItems.size(), 2u);
    EXPECT_EQ(changes, 1);
}

TEST_F(MusicListTest, OnlyFramesThatFollowEachOtherCountAsAudio) {
    const std::string frames = mp3Bytes(3, 44100);
    struct Case {
        std::string name;
        std::string bytes;
        bool audio;
    };
    std::vector<Case> cases = {
        {"plain", frames, true},
        {"garbage first", std::string(777, '\x13') + frames, true},
        {"one frame", mp3Bytes(1, 48000), false},
        {"empty", "", false},
        // Frames of different rates back to back are not a chain.
        {"rates differ", mp3Bytes(1, 44100).substr(0, 417) + mp3Bytes(1, 48000), false},
    };
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        std::string noise(30'000, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        cases.push_back({"noise " + std::to_string(seed), noise, false});
    }
    for (const Case& c : cases)
        EXPECT_EQ(hasConsecutiveMp3Frames(folder.writeFile("x.mp3", c.bytes)), c.audio) << c.name;
    EXPECT_FALSE(hasConsecutiveMp3Frames(folder.file("gone.mp3")));
}

TEST_F(MusicListTest, ListeningShowsTheSuffixAndCompletionOrStopClearsIt) {
    addTracks(2);
    list().selectionChanged(1);
    EXPECT_TRUE(on(Command::MusicRemove));
    EXPECT_TRUE(on(Command::MusicListen));
    list().toggleListen();
    EXPECT_EQ(sound.calls, (std::vector<std::string>{"open " + folder.file("t1.mp3"), "play"}));
    EXPECT_EQ(view.listenText, "停止");
    EXPECT_EQ(view.lines[1], musicTrackLine(album.musicItems[1]) + " 试听中");
    EXPECT_EQ(list().listeningRow(), 1);

    // The end of the track closes it and redraws the plain line.
    sound.clearCalls();
    ASSERT_TRUE(sound.finish(PlaybackEnd::Finished));
    EXPECT_EQ(sound.calls, std::vector<std::string>{"close"});
    EXPECT_EQ(view.listenText, "试听");
    EXPECT_EQ(view.suffixedCount(), 0);
    EXPECT_FALSE(list().listening());

    // "停止" closes at once; a completion the player queued before that is ignored, also
    // after another track started.
    list().toggleListen();
    PlaybackEndCallback late = sound.takeCallback();
    list().toggleListen();
    EXPECT_FALSE(sound.isOpen());
    EXPECT_EQ(view.listenText, "试听");
    list().selectionChanged(0);
    list().toggleListen();
    ASSERT_TRUE(late);
    late(PlaybackEnd::Finished);
    EXPECT_EQ(list().listeningRow(), 0);
    EXPECT_TRUE(view.suffixed(0));
    EXPECT_EQ(view.listenText, "停止");
}

TEST_F(MusicListTest, WithoutASoundDeviceListeningSaysSoAtOnce) {
    addTracks(1);
    sound.outputPresent = false;
    list().selectionChanged(0);
    list().toggleListen();
    list().lineDoubleClicked(0);
    EXPECT_TRUE(sound.calls.empty());
    EXPECT_TRUE(externallyOpened.empty());
    EXPECT_EQ(view.listenText, "试听");
    EXPECT_FALSE(list().listening());
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_EQ(dialogs.messages()[0].text, kNoSoundDeviceText);
    EXPECT_EQ(dialogs.messages()[0].title, "提示");
}

TEST_F(MusicListTest, RemovingLinesKeepsTheListenedTrackAndTheSelectionRight) {
    struct Case {
        int tracks;
        int listen; // -1: none
        int remove;
        int listenAfter; // -1: listening stopped
        int selectAfter;
    };
    const Case cases[] = {
        {4, 2, 0, 1, 0},                    // a line before it: the listened index moves up
        {4, 2, 1, 1, 1},   {4, 2, 3, 2, 2}, // the last line: the one before it is selected
        {4, 2, 2, -1, 2}, // the listened track itself: closed, the next line moves in
        {4, 3, 3, -1, 2},  {1, 0, 0, -1, -1}, // the only line: nothing left to select
        {3, -1, 1, -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("tracks " + std::to_string(c.tracks) + ", listen " + std::to_string(c.listen) +
                     ", remove " + std::to_string(c.remove));
        album = AlbumProject{};
        list_.reset();
        addTracks(c.tracks);
        if (c.listen >= 0) {
            list().lineDoubleClicked(c.listen);
            ASSERT_EQ(list().listeningRow(), c.listen);
        }
        const std::string listenedPath = c.listen >= 0 ? album.musicItems[c.listen].path : "";
        list().selectionChanged(c.remove);
        sound.clearCalls();
        const int before = changes;
        list().removeSelected();

        ASSERT_EQ(album.musicItems.size(), static_cast<std::size_t>(c.tracks - 1));
        ASSERT_EQ(view.lines.size(), album.musicItems.size());
        EXPECT_EQ(list().listeningRow(), c.listenAfter);
        EXPECT_EQ(list().selectedRow(), c.selectAfter);
        EXPECT_EQ(view.selected, c.selectAfter);
        EXPECT_EQ(changes, before + 1);
        EXPECT_EQ(on(Command::MusicRemove), c.selectAfter >= 0);
        if (c.listenAfter >= 0) {
            EXPECT_TRUE(sound.calls.empty()) << "the other track plays on";
            EXPECT_EQ(album.musicItems[c.listenAfter].path, listenedPath);
            EXPECT_TRUE(view.suffixed(c.listenAfter));
            EXPECT_EQ(view.suffixedCount(), 1);
            EXPECT_EQ(view.listenText, "停止");
        } else {
            EXPECT_EQ(view.suffixedCount(), 0);
            EXPECT_EQ(view.listenText, "试听");
            if (c.listen >= 0) {
                EXPECT_EQ(sound.calls, std::vector<std::string>{"close"});
                EXPECT_FALSE(sound.finish()) << "the removed track owes no completion";
            }
        }
        // A completion of whatever still plays redraws the right line.
        if (c.listenAfter >= 0) {
            ASSERT_TRUE(sound.finish());
            EXPECT_EQ(view.suffixedCount(), 0);
        }
        for (std::size_t row = 0; row < album.musicItems.size(); ++row)
            EXPECT_EQ(view.lines[row], musicTrackLine(album.musicItems[row]));
    }
}

TEST_F(MusicListTest, ListeningFallsBackToTheDesktopProgramWithItsTexts) {
    using Outcome = ExternalOpenResult::Outcome;
    enum class Refusal { Open, Play, Decoding };
    struct Case {
        Refusal refusal;
        ExternalOpenResult result;
        std::string message; // empty: none
    };
    const Case cases[] = {
        {Refusal::Open, {Outcome::Opened, 0}, ""},
        {Refusal::Play,
         {Outcome::NoProgram, 0},
         "提示: 无法试听：你的电脑上没有安装可以播放mp3文件的音乐播放器。"},
        {Refusal::Decoding, {Outcome::Failed, 4}, "提示: 无法试听, 错误返回值: 4"},
        {Refusal::Open, {Outcome::Failed, -1}, "提示: 无法试听, 错误返回值: -1"},
    };
    addTracks(1);
    list().selectionChanged(0);
    for (const Case& c : cases) {
        RecordingDialogs recorder;
        const std::string path = album.musicItems[0].path;
        sound.unopenable.clear();
        sound.failPlay = false;
        if (c.refusal == Refusal::Open)
            sound.unopenable.insert(path);
        sound.failPlay = c.refusal == Refusal::Play;
        externallyOpened.clear();
        externalResult = c.result;
        list().toggleListen();
        if (c.refusal == Refusal::Decoding) {
            EXPECT_TRUE(list().listening());
            ASSERT_TRUE(sound.finish(PlaybackEnd::Unplayable));
        }
        EXPECT_EQ(externallyOpened, std::vector<std::string>{path});
        EXPECT_FALSE(list().listening());
        EXPECT_FALSE(sound.isOpen()) << "a refused file is not left open";
        EXPECT_EQ(view.listenText, "试听");
        EXPECT_EQ(view.suffixedCount(), 0);
        std::vector<std::string> texts;
        for (const auto& m : recorder.messages()) {
            texts.push_back(m.title + ": " + m.text);
            EXPECT_EQ(m.kind, MessageKind::Warning);
        }
        EXPECT_EQ(texts, c.message.empty() ? std::vector<std::string>{}
                                           : std::vector<std::string>{c.message});
    }
}

TEST_F(MusicListTest, ATrackWhoseFileVanishedIsReportedByName) {
    addTracks(2);
    std::filesystem::remove(album.musicItems[1].path);
    list().lineDoubleClicked(1);
    EXPECT_EQ(messages(),
              std::vector<std::string>{"提示: 背景音乐 [t1.mp3] 已不存在，请重新选择。"});
    EXPECT_TRUE(sound.calls.empty());
    EXPECT_TRUE(externallyOpened.empty()) << "no other program is handed a missing file";
    EXPECT_EQ(album.musicItems.size(), 2u) << "the line stays until the user removes it";

    // Deleted from disk while it plays: the player already holds it; its end is handled.
    list().lineDoubleClicked(0);
    std::filesystem::remove(album.musicItems[0].path);
    ASSERT_TRUE(sound.finish(PlaybackEnd::Failed));
    EXPECT_FALSE(list().listening());
    EXPECT_EQ(view.suffixedCount(), 0);
    EXPECT_TRUE(externallyOpened.empty()) << "a failure half-way has no fall-back";
}

TEST_F(MusicListTest, DoubleClickSwitchesTracksAndDeleteKeyRemovesTheSelection) {
    addTracks(3);
    list().deleteKey();
    EXPECT_EQ(album.musicItems.size(), 3u) << "Delete without a selection removes nothing";
    list().lineDoubleClicked(0);
    sound.clearCalls();
    list().lineDoubleClicked(2);
    EXPECT_EQ(sound.calls,
              (std::vector<std::string>{"close", "open " + folder.file("t2.mp3"), "play"}));
    EXPECT_EQ(list().listeningRow(), 2);
    EXPECT_TRUE(view.suffixed(2));
    list().lineDoubleClicked(7); // beyond the lines: nothing
    EXPECT_EQ(list().listeningRow(), 2);

    list().deleteKey();
    EXPECT_EQ(album.musicItems.size(), 2u);
    EXPECT_FALSE(list().listening());
    EXPECT_EQ(list().selectedRow(), 1);
    EXPECT_EQ(view.audioLength, "音频长度: " + formatDuration(totalMusicSeconds(album)));
}

TEST_F(MusicListTest, TheSwitchDisablesTheGroupAndStopsListening) {
    addTracks(2);
    list().lineDoubleClicked(1);
    list().switchChanged(false);
    EXPECT_FALSE(album.settings.bgsound);
    EXPECT_FALSE(list().listening());
    EXPECT_FALSE(sound.isOpen());
    for (Command c : {Command::AutoDisplayTime, Command::LoopPlay, Command::MusicList,
                      Command::MusicAdd, Command::MusicRemove, Command::MusicListen})
        EXPECT_FALSE(on(c)) << commandNumber(c);
    list().lineDoubleClicked(1);
    EXPECT_FALSE(list().listening()) << "a disabled list plays nothing";

    list().switchChanged(true);
    for (Command c : {Command::AutoDisplayTime, Command::LoopPlay, Command::MusicList,
                      Command::MusicAdd, Command::MusicRemove, Command::MusicListen})
        EXPECT_TRUE(on(c)) << commandNumber(c);
    // While a track plays its "停止" stays usable even when the selection goes away.
    list().selectionChanged(0);
    list().toggleListen();
    list().selectionChanged(-1);
    EXPECT_TRUE(on(Command::MusicListen));
    list().toggleListen();
    EXPECT_FALSE(list().listening());
    EXPECT_FALSE(on(Command::MusicListen));
}

TEST_F(MusicListTest, PreviewPlaysTheTracksInTurnAndStopsPastTheLast) {
    addTracks(2);
    list().lineDoubleClicked(0);
    EXPECT_FALSE(list().previewPlay()) << "no preview is running";
    list().previewStarted();
    EXPECT_FALSE(list().listening()) << "the preview stops listening";
    sound.clearCalls();
    ASSERT_TRUE(list().previewPlay());
    list().previewPause();
    list().previewResume();
    EXPECT_EQ(sound.calls, (std::vector<std::string>{"open " + folder.file("t0.mp3"), "play",
                                                     "pause", "resume"}));
    EXPECT_EQ(view.suffixedCount(), 0) << "preview music is not listening";
    ASSERT_TRUE(sound.finish());
    EXPECT_EQ(sound.openPath(), folder.file("t1.mp3"));
    EXPECT_EQ(list().previewPosition(), 1);
    ASSERT_TRUE(sound.finish());
    EXPECT_FALSE(sound.isOpen()) << "past the last track the preview is silent";
    EXPECT_EQ(list().previewPosition(), 2);
    EXPECT_FALSE(list().previewPlay());

    // A new preview starts from the first track again; stop closes it for good.
    list().previewStarted();
    ASSERT_TRUE(list().previewPlay());
    PlaybackEndCallback late = sound.takeCallback();
    list().previewStop();
    list().previewEnded();
    EXPECT_FALSE(sound.isOpen());
    late(PlaybackEnd::Finished);
    EXPECT_FALSE(sound.isOpen()) << "a late completion does not start the next track";

    // A failing track ends the preview's music; the switch off keeps it silent.
    list().previewStarted();
    ASSERT_TRUE(list().previewPlay());
    ASSERT_TRUE(sound.finish(PlaybackEnd::Failed));
    EXPECT_FALSE(sound.isOpen());
    list().previewStarted();
    list().switchChanged(false);
    EXPECT_FALSE(list().previewPlay());
    list().previewEnded();
}

TEST_F(MusicListTest, ShowingAReplacedAlbumStopsListeningAndRedrawsEverything) {
    addTracks(3);
    list().lineDoubleClicked(2);
    album.musicItems.resize(1); // a project with one track was opened
    list().showAlbum();
    EXPECT_FALSE(sound.isOpen());
    EXPECT_FALSE(list().listening());
    EXPECT_EQ(view.lines, std::vector<std::string>{musicTrackLine(album.musicItems[0])});
    EXPECT_EQ(view.audioLength, "音频长度: 00:00:02");
    EXPECT_FALSE(sound.finish()) << "the old track owes no completion";

    // Destroying the list while a track plays closes it.
    list().lineDoubleClicked(0);
    list_.reset();
    EXPECT_FALSE(sound.isOpen());
}

TEST(MusicLineColumns, TheLinesComeApartIntoNameRateLengthAndMark) {
    auto lineOf = [](const std::string& path, int rate, float ms) {
        return musicTrackLine(MusicTrack{path, ms, rate});
    };
    const std::string longName(130, 'x');
    const struct {
        std::string line;
        MusicLineColumns columns;
    } cases[] = {
        {lineOf("/m/a.mp3", 44100, 12000), {"a.mp3", "44100Hz", "00:00:12", ""}},
        {lineOf("/m/a.mp3", 8000, 3725000) + kListeningSuffix,
         {"a.mp3", "8000Hz", "01:02:05", "试听中"}},
        // Spaces, digits and "Hz" inside a name, and a name longer than the padding.
        {lineOf("/m/my 22Hz     x.mp3", 48000, 61000),
         {"my 22Hz     x.mp3", "48000Hz", "00:01:01", ""}},
        {lineOf("/m/" + longName, 32000, 0), {longName, "32000Hz", "00:00:00", ""}},
        // Not a track line: all of it is the name.
        {"no columns 试听中", {"no columns 试听中", "", "", ""}},
        {"", {"", "", "", ""}},
    };
    for (const auto& c : cases) {
        const MusicLineColumns got = musicLineColumns(c.line);
        EXPECT_EQ(got.name, c.columns.name) << c.line;
        EXPECT_EQ(got.rate, c.columns.rate) << c.line;
        EXPECT_EQ(got.length, c.columns.length) << c.line;
        EXPECT_EQ(got.mark, c.columns.mark) << c.line;
    }
}

} // namespace
} // namespace velomira
