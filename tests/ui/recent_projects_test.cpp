// "我的项目": which projects the list holds, in which order, what a click on a missing one does,
// and that the list outlives the window in the settings store.
#include "app/recent_projects.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/temp_folder.h"
#include "window_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::RecordingDialogs;
using testing::TempFolder;

struct Window : testing::ScriptedWindow {
    Window(const fs::path& base, const RegistryFile& settings)
        : ScriptedWindow(base / "work", "", &settings) {}
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : window->recentProjects())
            out.push_back(entry.name + (entry.missing ? "!" : ""));
        return out;
    }
};

struct RecentProjectsTest : ::testing::Test {
    RecentProjectsTest() {
        // One saved project, copied to p0.dat .. p9.dat.
        Window maker(folder.path(), settings);
        maker.window->filesDropped(
            {testing::writeSolidPicture(folder.file("a.png"), 32, 24, "#336699", "png")});
        dialogs.scriptFiles({project(0)});
        maker.window->dispatch(Command::SaveProject);
        for (int i = 1; i < 10; ++i)
            fs::copy_file(project(0), project(i));
    }
    std::string project(int i) const { return folder.file("p" + std::to_string(i) + ".dat"); }
    void open(Window& w, int i) {
        dialogs.scriptFiles({project(i)});
        w.window->dispatch(Command::OpenProject);
    }

    TempFolder folder;
    RecordingDialogs dialogs;
    RegistryFile settings = registryFileUnder(folder.path() / "config");
};

struct RecentCase {
    const char* name;
    std::function<void(RecentProjectsTest&, Window&)> steps;
    std::vector<std::string> expected; // names, "!" marking a missing file
    const char* message;               // the text a click showed, or nullptr
};

TEST_F(RecentProjectsTest, TheListKeepsTheLastEightOpenedOrSaved) {
    const std::vector<RecentCase> cases = {
        {"newest first, eight at most",
         [](auto& t, Window& w) {
             for (int i = 0; i < 10; ++i)
                 t.open(w, i);
         },
         {"p9.dat", "p8.dat", "p7.dat", "p6.dat", "p5.dat", "p4.dat", "p3.dat", "p2.dat"},
         nullptr},
        {"opened again moves up",
         [](auto& t, Window& w) {
             for (int i : {1, 2, 1})
                 t.open(w, i);
         },
         {"p1.dat", "p2.dat", "p0.dat"},
         nullptr},
        {"a missing file is marked",
         [](auto& t, Window& w) {
             t.open(w, 1);
             fs::remove(t.project(1));
         },
         {"p1.dat!", "p0.dat"},
         nullptr},
        {"a click on a missing file removes it",
         [](auto& t, Window& w) {
             t.open(w, 1);
             fs::remove(t.project(1));
             w.window->openRecentProject(0);
         },
         {"p0.dat"},
         "项目文件不存在，已从“我的项目”中移除：\n"},
        {"a folder in the file's place is removed",
         [](auto& t, Window& w) {
             t.open(w, 1);
             fs::remove(t.project(1));
             fs::create_directory(t.project(1));
             w.window->openRecentProject(0);
         },
         {"p0.dat"},
         "这是一个文件夹，不是项目文件"},
        {"a file on a place that is gone is removed",
         [](auto& t, Window& w) {
             const fs::path share = t.folder.path() / "share";
             fs::create_directory(share);
             fs::copy_file(t.project(0), share / "far.dat");
             t.dialogs.scriptFiles({(share / "far.dat").string()});
             w.window->dispatch(Command::OpenProject);
             fs::remove_all(share);
             w.window->openRecentProject(0);
         },
         {"p0.dat"},
         "项目所在的文件夹不存在"},
        {"save as follows the new name",
         [](auto& t, Window& w) {
             t.open(w, 1);
             t.dialogs.scriptFiles({t.folder.file("renamed")});
             w.window->dispatch(Command::SaveProjectAs);
         },
         {"renamed.dat", "p0.dat"},
         nullptr},
        {"a click opens the project",
         [](auto& t, Window& w) {
             t.open(w, 1);
             t.open(w, 2);
             w.window->openRecentProject(1);
             EXPECT_EQ(w.window->projectFile().path, t.project(1));
         },
         {"p1.dat", "p2.dat", "p0.dat"},
         nullptr},
    };
    for (const RecentCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder.path() / "config");
        writeRecentProjects(settings, {project(0)});
        fs::remove_all(folder.file("p1.dat"));
        fs::copy_file(project(0), project(1));
        dialogs.clearMessages();
        {
            Window w(folder.path(), settings);
            c.steps(*this, w);
            EXPECT_EQ(w.names(), c.expected);
            if (c.message) {
                ASSERT_EQ(dialogs.messages().size(), 1u);
                EXPECT_NE(dialogs.messages()[0].text.find(c.message), std::string::npos);
            } else {
                EXPECT_TRUE(dialogs.messages().empty());
            }
        }
        // The next start reads the same list.
        Window next(folder.path(), settings);
        EXPECT_EQ(next.names(), c.expected);
    }
}

} // namespace
} // namespace velomira
