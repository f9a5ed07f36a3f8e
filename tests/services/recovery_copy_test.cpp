// Recovery copies on disk: what a write leaves, and which copies of ended programs are offered,
// removed or kept aside.
#include "album/project_file.h"
#include "app/running_copies.h"
#include "services/recovery_copy.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// No process can have this pid, so the copy it names has ended.
constexpr const char* kEnded = "999999999-1";

ProjectDocument documentWith(const std::vector<std::string>& paths) {
    ProjectDocument document;
    document.videoSize = "640x480";
    document.bgsoundItems = std::vector<std::string>{};
    document.imgs = std::vector<ProjectItemEntry>{};
    for (const std::string& path : paths) {
        ProjectItemEntry item;
        item.path = path;
        item.animationIndex = 3;
        item.fileName = fs::path(path).filename().string();
        document.imgs->push_back(item);
    }
    return document;
}

void setTime(const fs::path& path, std::time_t when) {
    const utimbuf times{when, when};
    ::utime(path.c_str(), &times);
}

struct RecoveryFixture : ::testing::Test {
    TempFolder folder;
    fs::path root = recoveryRoot(folder.path());
    fs::path temp = folder.path() / "temp-pictures";

    fs::path write(const std::string& name, const std::string& projectPath,
                   std::vector<std::string> pictures = {"/x/a.png"}) {
        const fs::path copy = root / name;
        EXPECT_EQ(writeRecoveryCopy(copy, {documentWith(pictures), projectPath, temp}),
                  std::nullopt);
        return copy;
    }
};

struct ScanCase {
    const char* name;
    std::function<fs::path(RecoveryFixture&)> make; // returns the copy's folder
    bool offered;
    bool kept;    // moved to "kept" with a line
    bool removed; // gone altogether
};

TEST_F(RecoveryFixture, CopiesAreOfferedRemovedOrKeptAside) {
    const std::string project = folder.file("album.dat");
    std::ofstream(project) << "{}";
    const std::vector<ScanCase> cases = {
        {"never saved", [](auto& f) { return f.write("999999999-2", ""); }, true, false, false},
        {"newer than its project",
         [&](auto& f) {
             setTime(project, 1000);
             return f.write("999999999-3", project);
         },
         true, false, false},
        {"older than its project",
         [&](auto& f) {
             const fs::path copy = f.write("999999999-4", project);
             setTime(copy / "project.dat", 1000);
             setTime(project, 2000);
             return copy;
         },
         false, false, true},
        {"torn",
         [](auto& f) {
             const fs::path copy = f.write("999999999-5", "");
             fs::resize_file(copy / "project.dat", 40);
             return copy;
         },
         false, true, false},
        {"empty",
         [](auto& f) {
             const fs::path copy = f.write("999999999-6", "");
             fs::resize_file(copy / "project.dat", 0);
             return copy;
         },
         false, true, false},
        {"of a running copy", [](auto& f) { return f.write(runningCopyName(), ""); }, false, false,
         false},
        {"not a copy's name", [](auto& f) { return f.write("notes", ""); }, false, false, false},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        const fs::path copy = c.make(*this);
        const RecoveryScan scan = findRecoveryCopies(root);
        EXPECT_EQ(scan.offers.size(), c.offered ? 1u : 0u);
        EXPECT_EQ(scan.skipped.size(), c.kept ? 1u : 0u);
        EXPECT_EQ(fs::exists(root / "kept" / copy.filename() / "project.dat"), c.kept);
        EXPECT_EQ(fs::exists(copy), !c.kept && !c.removed);
    }
}

TEST_F(RecoveryFixture, ACopyOfAnotherUserIsKeptAsideUnread) {
    const fs::path copy = write(kEnded, "");
    if (::chown((copy / "project.dat").c_str(), ::getuid() + 1, ::getgid()) != 0)
        GTEST_SKIP() << "changing a file's owner needs privileges this run lacks";
    const RecoveryScan scan = findRecoveryCopies(root);
    EXPECT_TRUE(scan.offers.empty());
    ASSERT_EQ(scan.skipped.size(), 1u);
    EXPECT_NE(scan.skipped[0].find("属于其他用户"), std::string::npos);
    EXPECT_TRUE(fs::exists(root / "kept" / kEnded / "project.dat"));
}

TEST_F(RecoveryFixture, ADeclinedCopyStaysUntilTheNextStartAndNewestComesFirst) {
    write("999999999-7", "");
    const fs::path newer = write("999999999-8", "");
    setTime(root / "999999999-7" / "project.dat", 1000);
    RecoveryScan scan = findRecoveryCopies(root);
    ASSERT_EQ(scan.offers.size(), 2u);
    EXPECT_EQ(scan.offers[0].folder, newer);

    declineRecoveryCopy(root, scan.offers[0]);
    EXPECT_FALSE(fs::exists(newer));
    EXPECT_TRUE(fs::exists(root / "declined" / newer.filename() / "project.dat"));
    scan = findRecoveryCopies(root);
    EXPECT_EQ(scan.offers.size(), 1u);
    EXPECT_FALSE(fs::exists(root / "declined"));
}

TEST_F(RecoveryFixture, AFailedWriteLeavesThePreviousCopyWhole) {
    const fs::path copy = write(kEnded, "", {"/x/first.png"});
    const std::string before = *readProjectFileBytes((copy / "project.dat").string()).bytes;
    // A picture that cannot be kept fails the write before the project file is touched.
    fs::create_directories(temp);
    const std::string missing = (temp / "gone.png").string();
    EXPECT_NE(writeRecoveryCopy(copy, {documentWith({missing}), "", temp}), std::nullopt);
    EXPECT_EQ(*readProjectFileBytes((copy / "project.dat").string()).bytes, before);
}

} // namespace
} // namespace velomira
