// The recovery copy as the window keeps it: when it is written, what removes it, and the offer
// at the next start, driven through the scripted view with the window's timer fired by hand.
#include "album/project_file.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"
#include "window_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::RecordingDialogs;
using testing::ScriptedView;
using testing::TempFolder;

// A window of one running copy; copies share the work folder.
struct Copy : testing::ScriptedWindow {
    Copy(const fs::path& base, const std::string& name) : ScriptedWindow(base / "work", name) {}
    std::string copyBytes() const {
        return readProjectFileBytes(copyFile().string()).bytes.value_or("");
    }
};

struct RecoveryWindowTest : ::testing::Test {
    std::vector<std::string> pictures(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(testing::writeSolidPicture(
                folder.file("p" + std::to_string(i) + ".png"), 32, 24, "#336699", "png"));
        return paths;
    }
    void rotateFirst(Copy& copy) {
        copy.window->selectionChanged({0}, 0, true);
        copy.window->dispatch(Command::RotateRight);
    }

    TempFolder folder;
    RecordingDialogs dialogs;
};

struct TimingCase {
    const char* name;
    std::set<int> changesBefore; // ticks before which the album changes
    int ticks;
    std::vector<int> writtenAt; // ticks after which a new copy is on disk
};

TEST_F(RecoveryWindowTest, TheCopyFollowsChangesWithinItsLimits) {
    std::set<int> everyTick;
    for (int i = 0; i < 40; ++i)
        everyTick.insert(i);
    const std::vector<TimingCase> cases = {
        {"one change", {0}, 6, {2}},
        {"two changes a tick apart", {0, 1}, 7, {3}},
        {"a change after the copy", {0, 5}, 10, {2, 7}},
        {"changes that go on", everyTick, 45, {kRecoveryMaxTicks - 1, 41}},
    };
    const std::vector<std::string> paths = pictures(2);
    for (const TimingCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder.path() / "work");
        Copy copy(folder.path(), "own");
        std::vector<int> written;
        std::string last;
        for (int t = 0; t < c.ticks; ++t) {
            if (c.changesBefore.count(t))
                t == 0 ? copy.window->filesDropped(paths) : rotateFirst(copy);
            copy.tick();
            if (copy.copyBytes() != last)
                written.push_back(t);
            last = copy.copyBytes();
        }
        EXPECT_EQ(written, c.writtenAt);
        EXPECT_NE(last.find("p1.png"), std::string::npos);
    }
}

TEST_F(RecoveryWindowTest, SavingNewAndLeavingRemoveTheCopy) {
    const std::vector<std::string> paths = pictures(2);
    const std::vector<std::function<void(Copy&)>> settle = {
        [&](Copy& copy) {
            dialogs.scriptFiles({folder.file("saved.dat")});
            copy.window->dispatch(Command::SaveProject);
        },
        [&](Copy& copy) {
            dialogs.scriptAnswer(Answer::No);
            copy.window->dispatch(Command::NewProject);
        },
        [&](Copy& copy) {
            dialogs.scriptAnswer(Answer::No);
            copy.window->dispatch(Command::TrayExit);
            EXPECT_TRUE(copy.view.quitCalled);
        },
    };
    for (std::size_t i = 0; i < settle.size(); ++i) {
        SCOPED_TRACE(i);
        Copy copy(folder.path(), "own" + std::to_string(i));
        copy.window->filesDropped(paths);
        for (int t = 0; t < kRecoveryQuietTicks + 1; ++t)
            copy.tick();
        ASSERT_TRUE(fs::exists(copy.copyFile()));
        settle[i](copy);
        copy.tick();
        EXPECT_FALSE(fs::exists(copy.copyFile()));
        // Nothing changed since: no copy comes back.
        for (int t = 0; t < kRecoveryMaxTicks; ++t)
            copy.tick();
        EXPECT_FALSE(fs::exists(copy.copyFile()));
    }
}

TEST_F(RecoveryWindowTest, TwoRunningCopiesEachWriteTheirOwn) {
    Copy first(folder.path(), "111-1");
    Copy second(folder.path(), "222-2");
    first.window->filesDropped(pictures(1));
    second.window->filesDropped(pictures(2));
    for (int t = 0; t <= kRecoveryQuietTicks; ++t) {
        first.tick();
        second.tick();
    }
    EXPECT_NE(first.copyFile(), second.copyFile());
    EXPECT_EQ(first.copyBytes().find("p1.png"), std::string::npos);
    EXPECT_NE(second.copyBytes().find("p1.png"), std::string::npos);
}

// A window that ends without leaving (a crash), then the next start.
TEST_F(RecoveryWindowTest, TheNextStartOffersTheCopyOfACrashedWindow) {
    const std::string saved = folder.file("album.dat");
    std::vector<AlbumItem> before;
    {
        Copy crashed(folder.path(), "999999999-5");
        crashed.window->filesDropped(pictures(2));
        dialogs.scriptFiles({saved});
        crashed.window->dispatch(Command::SaveProject);
        rotateFirst(crashed);
        const fs::path download = crashed.folders.tempPictureFolder / "download.png";
        testing::writeSolidPicture(download.string(), 32, 24, "#ff0000", "png");
        crashed.window->filesDropped({download.string()});
        for (int t = 0; t <= kRecoveryQuietTicks; ++t)
            crashed.tick();
        before = crashed.window->album().items;
        fs::remove_all(crashed.folders.tempPictureFolder); // an ended copy's folder goes
    }
    Copy next(folder.path(), "own");
    dialogs.clearMessages();
    dialogs.scriptAnswer(Answer::Yes);
    ASSERT_TRUE(next.window->offerRecoveryAtStart());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text.rfind("恢复未保存的项目?", 0), 0u);
    EXPECT_NE(dialogs.messages()[0].text.find("album.dat"), std::string::npos);

    const std::vector<AlbumItem>& after = next.window->album().items;
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i + 1 < after.size(); ++i) {
        EXPECT_EQ(after[i].path, before[i].path);
        EXPECT_EQ(after[i].animationIndex, before[i].animationIndex);
        EXPECT_EQ(after[i].turnAngle, before[i].turnAngle);
    }
    // The download kept with the copy now lives in this copy's temporary folder.
    EXPECT_EQ(after.back().path, (next.folders.tempPictureFolder / "download.png").string());
    EXPECT_TRUE(fs::exists(after.back().path));
    EXPECT_EQ(next.window->projectFile().path, saved);
    EXPECT_NE(next.view.title.find("album.dat"), std::string::npos);
    // Modified: its own copy follows, and "保存" writes to the original file.
    for (int t = 0; t <= kRecoveryQuietTicks; ++t)
        next.tick();
    EXPECT_TRUE(fs::exists(next.copyFile()));
    next.window->dispatch(Command::SaveProject);
    EXPECT_EQ(dialogs.fileDialogs().size(), 1u); // only the first save asked
    next.tick();
    EXPECT_FALSE(fs::exists(next.copyFile()));
    EXPECT_FALSE(fs::exists(folder.path() / "work" / "recovery" / "999999999-5"));
}

TEST_F(RecoveryWindowTest, AWriteThatFailsWarnsOnceInTheStatusBar) {
    Copy copy(folder.path(), "own");
    std::ofstream(folder.path() / "work" / "recovery") << "a file where the folder goes";
    copy.window->filesDropped(pictures(1));
    for (int t = 0; t <= kRecoveryQuietTicks; ++t)
        copy.tick();
    EXPECT_EQ(copy.view.status[1], "无法写入恢复副本，磁盘可能已满");
    const std::size_t shown = copy.view.statusHistory.size();
    for (int t = 0; t < 2 * kRecoveryMaxTicks; ++t) {
        rotateFirst(copy);
        copy.tick();
    }
    EXPECT_EQ(std::count(copy.view.statusHistory.begin() + shown, copy.view.statusHistory.end(),
                         "无法写入恢复副本，磁盘可能已满"),
              0);
}

} // namespace
} // namespace velomira
