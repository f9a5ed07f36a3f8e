// The window program killed while its album has unsaved changes: the next start gets the album
// back, item by item. The real program runs on Qt's offscreen platform from a program folder
// of the test's own, so its data folder is the test's.
#include "album/project_file.h"
#include "support/picture_files.h"
#include "support/program_run.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"
#include "window_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// A program folder beside the built one: the program itself, its tools and its configuration.
fs::path makeProgramFolder(const fs::path& folder) {
    const fs::path built = fs::path(VELOMIRA_WINDOW_PROGRAM).parent_path();
    fs::create_directories(folder);
    std::error_code linked;
    fs::create_hard_link(VELOMIRA_WINDOW_PROGRAM, folder / "velomira", linked);
    if (linked)
        fs::copy_file(VELOMIRA_WINDOW_PROGRAM, folder / "velomira");
    fs::create_directory_symlink(built / "tool", folder / "tool");
    fs::copy_file(built / "velomira.conf", folder / "velomira.conf");
    return folder / "velomira";
}

// The project file of the first recovery copy below root that names text; empty when none.
fs::path copyNaming(const fs::path& root, const std::string& text) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
        const fs::path project = entry.path() / "project.dat";
        const auto bytes = readProjectFileBytes(project.string()).bytes;
        if (bytes && bytes->find(text) != std::string::npos)
            return project;
    }
    return {};
}

TEST(RecoveryKillTest, AKilledWindowLosesNothingThatWasOnScreen) {
    TempFolder folder;
    testing::RecordingDialogs dialogs;
    const fs::path work = folder.path() / "program";
    const fs::path program = makeProgramFolder(work);
    std::vector<std::string> pictures;
    for (const char* colour : {"#ff0000", "#00ff00", "#0000ff"})
        pictures.push_back(testing::writeSolidPicture(
            folder.file(std::string("pic") + (colour + 1) + ".png"), 32, 24, colour, "png"));

    // A saved project of two pictures, one turned.
    const std::string project = folder.file("album.dat");
    std::vector<AlbumItem> saved;
    {
        testing::ScriptedWindow maker(work, "own");
        maker.window->filesDropped({pictures[0], pictures[1]});
        maker.window->selectionChanged({1}, 1, true);
        maker.window->dispatch(Command::RotateRight);
        dialogs.scriptFiles({project});
        maker.window->dispatch(Command::SaveProject);
        saved = maker.window->album().items;
    }

    // Opened with a third picture added: a change that exists only in the window.
    std::vector<std::string> environment = testing::privateHome(folder.path());
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    const pid_t pid = testing::startProgram(
        {{program.string(), project, pictures[2]}, environment, "", folder.file("err.txt")});
    ASSERT_GT(pid, 0);
    const fs::path root = work / "recovery";
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (copyNaming(root, "pic0000ff.png").empty() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(pid, SIGKILL);
    EXPECT_EQ(testing::waitForProgram(pid), 128 + SIGKILL);
    ASSERT_FALSE(copyNaming(root, "pic0000ff.png").empty())
        << testing::readWholeFile(folder.file("err.txt"));

    testing::ScriptedWindow next(work, "own");
    dialogs.clearMessages();
    dialogs.scriptAnswer(Answer::Yes);
    ASSERT_TRUE(next.window->offerRecoveryAtStart());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("album.dat"), std::string::npos);
    const std::vector<AlbumItem>& items = next.window->album().items;
    ASSERT_EQ(items.size(), 3u);
    for (std::size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(items[i] == saved[i]) << items[i].path;
    }
    EXPECT_EQ(items[2].path, pictures[2]);
    EXPECT_EQ(next.window->projectFile().path, project);
}

} // namespace
} // namespace velomira
