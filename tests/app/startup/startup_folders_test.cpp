// Start-up without a window: refusals for an archive viewer's scratch folder and a missing
// encoder (before anything is created), the work folders, where pictures the program makes
// itself go on and off the desktop, and emptying that folder at exit.
#include "app/running_copies.h"
#include "app/startup.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace velomira {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const std::string kArchiveText =
    "请先对软件压缩包进行解压缩后再启动软件。\n\n点击[确定]按钮，查看正确的解压缩方式。";
const std::string kMissingEncoderText =
    "找不到 ffmpeg.exe 文件，可能是没有对下载的软件压缩包进行正确的解压缩。\n\n"
    "点击[确定]按钮，查看正确的解压缩方式。";

// A program folder with an executable tool/ffmpeg, a desktop and a system temporary folder,
// all inside one temporary folder.
class StartupTest : public ::testing::Test {
  protected:
    TempFolder root;

    fs::path makeProgram(const fs::path& folder, bool withEncoder = true) {
        fs::create_directories(folder / "tool");
        if (withEncoder) {
            const std::string tool = root.writeFile(
                (folder / "tool" / "ffmpeg").lexically_relative(root.path()).string(),
                "#!/bin/sh\nexit 0\n");
            fs::permissions(tool, fs::perms::owner_all);
        }
        return folder;
    }

    StartupContext context(const fs::path& program) {
        fs::create_directories(root.path() / "desk");
        fs::create_directories(root.path() / "tmp");
        return StartupContext{program, root.path() / "desk", root.path() / "tmp", {}, {}, {}, {}};
    }
};

TEST_F(StartupTest, ProgramOffTheDesktopKeepsEverythingInItsFolder) {
    const fs::path program = makeProgram(root.path() / "apps" / "velomira");
    StartupResult result = prepareStartup(context(program));
    ASSERT_FALSE(result.refusal) << result.refusal->text;
    const StartupFolders& f = result.folders;
    EXPECT_EQ(f.workFolder, program);
    EXPECT_EQ(f.encoderPath, program / "tool" / "ffmpeg");
    EXPECT_EQ(f.picsFolder, program / "pics");
    EXPECT_EQ(f.mp3Folder, program / "mp3");
    EXPECT_EQ(f.workTempFolder, program / "temp" / runningCopyName());
    EXPECT_EQ(f.tempPictureFolder, program / "temp" / runningCopyName());
    for (const char* name : {"pics", "temp", "mp3"})
        EXPECT_TRUE(fs::is_directory(program / name)) << name;
    EXPECT_FALSE(fs::exists(root.path() / "tmp" / "VelomiraTemp"));
}

TEST_F(StartupTest, ProgramOnTheDesktopUsesThePrivateSharedTempFolder) {
    const fs::path program = makeProgram(root.path() / "desk" / "velomira");
    StartupResult result = prepareStartup(context(program));
    ASSERT_FALSE(result.refusal);
    const fs::path shared = root.path() / "tmp" / "VelomiraTemp";
    EXPECT_EQ(result.folders.tempPictureFolder, shared / runningCopyName());
    struct stat info {};
    ASSERT_EQ(lstat(shared.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // The work folders are still made in the program folder.
    EXPECT_TRUE(fs::is_directory(program / "pics"));
    EXPECT_TRUE(fs::is_directory(program / "temp"));

    // A second start finds the folder already there and takes it again.
    EXPECT_EQ(chooseTempPictureFolder(context(program), program), shared);
}

TEST_F(StartupTest, DesktopIsMatchedByWholeFolderNames) {
    const fs::path work = root.path() / "work";
    StartupContext c = context(root.path() / "desk2" / "velomira");
    EXPECT_EQ(chooseTempPictureFolder(c, work), work / "temp");
    c.programFolder = root.path() / "desk";
    EXPECT_EQ(chooseTempPictureFolder(c, work), root.path() / "tmp" / "VelomiraTemp");
    c.desktopFolder = (root.path() / "desk").string() + "/";
    c.programFolder = root.path() / "desk" / "a" / ".." / "b";
    EXPECT_EQ(chooseTempPictureFolder(c, work), root.path() / "tmp" / "VelomiraTemp");

    EXPECT_TRUE(isInsideFolder("/home/u/Desktop/x", "/home/u/Desktop"));
    EXPECT_TRUE(isInsideFolder("/home/u/Desktop", "/home/u/Desktop/"));
    EXPECT_FALSE(isInsideFolder("/home/u/Desktop2/x", "/home/u/Desktop"));
    EXPECT_FALSE(isInsideFolder("/home/u", "/home/u/Desktop"));
    EXPECT_FALSE(isInsideFolder("/home/u", ""));
}

TEST_F(StartupTest, SharedTempFolderFallsBackToTheWorkFolder) {
    const fs::path program = root.path() / "desk" / "velomira";
    const fs::path own = program / "temp";

    StartupContext noTemp = context(program);
    noTemp.systemTempFolder.clear();
    EXPECT_EQ(chooseTempPictureFolder(noTemp, program), own);
    EXPECT_TRUE(fs::is_directory(own));

    StartupContext longTemp = context(program);
    longTemp.systemTempFolder = root.path() / std::string(250, 't');
    fs::create_directories(longTemp.systemTempFolder);
    EXPECT_EQ(chooseTempPictureFolder(longTemp, program), own);

    StartupContext missingTemp = context(program);
    missingTemp.systemTempFolder = root.path() / "no" / "such";
    EXPECT_EQ(chooseTempPictureFolder(missingTemp, program), own);

    // A file, or a link planted in its place (which emptying at exit would follow), is
    // never taken; the link's target is left alone.
    StartupContext planted = context(program);
    const fs::path shared = planted.systemTempFolder / "VelomiraTemp";
    root.writeFile("tmp/VelomiraTemp", "x");
    EXPECT_EQ(chooseTempPictureFolder(planted, program), own);
    fs::remove(shared);
    const std::string victim = root.writeFile("victim/keep.txt", "keep");
    fs::create_directory_symlink(root.path() / "victim", shared);
    EXPECT_EQ(chooseTempPictureFolder(planted, program), own);
    EXPECT_TRUE(fs::exists(victim));

    // A folder others may write to is not private either.
    fs::remove(shared);
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all);
    EXPECT_EQ(chooseTempPictureFolder(planted, program), own);
}

TEST_F(StartupTest, SharedTempFolderOfAnotherUserIsRefused) {
    if (geteuid() != 0)
        GTEST_SKIP() << "handing a folder to another user needs root";
    const fs::path program = root.path() / "desk" / "velomira";
    StartupContext c = context(program);
    const fs::path shared = c.systemTempFolder / "VelomiraTemp";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::owner_all, fs::perm_options::replace);
    ASSERT_EQ(chown(shared.c_str(), 65534, 65534), 0);
    EXPECT_EQ(chooseTempPictureFolder(c, program), program / "temp");
}

TEST_F(StartupTest, ArchiveViewerFolderIsRefusedBeforeAnythingIsMade) {
    for (const char* scratch : {"Rar$EXa4321.12345", ".fr-Ab12Cd"}) {
        // Without an encoder too: the archive message comes first.
        const fs::path program = makeProgram(root.path() / "tmp" / scratch / "velomira", false);
        StartupResult result = prepareStartup(context(program));
        ASSERT_TRUE(result.refusal) << scratch;
        EXPECT_EQ(result.refusal->text, kArchiveText);
        EXPECT_EQ(result.refusal->title, "提示");
        EXPECT_EQ(result.refusal->kind, MessageKind::Error);
        EXPECT_EQ(result.refusal->helpPage, "/unzip.html");
        EXPECT_EQ(result.refusal->exitCode, -1);
        EXPECT_FALSE(fs::exists(program / "pics")) << scratch;
        EXPECT_FALSE(fs::exists(program / "temp")) << scratch;
        EXPECT_FALSE(fs::exists(root.path() / "tmp" / "VelomiraTemp")) << scratch;
    }
}

TEST_F(StartupTest, ArchiveCheckLooksOnlyBelowTheTemporaryFolder) {
    const fs::path temp = root.path() / "tmp";
    EXPECT_TRUE(checkArchiveFolder(temp / "x" / "Rar$EX1" / "app", temp));
    EXPECT_TRUE(checkArchiveFolder(fs::path("/tmp/.fr-XYZ/app"), ""));
    EXPECT_TRUE(checkArchiveFolder(fs::path("/var/tmp/a$b/app"), temp));
    EXPECT_FALSE(checkArchiveFolder(fs::path("/home/u/my$apps/velomira"), temp));
    EXPECT_FALSE(checkArchiveFolder(temp / "unpacked" / "velomira", temp));
    EXPECT_FALSE(checkArchiveFolder(temp / "x.fr-y" / "velomira", temp));
}

TEST_F(StartupTest, EncoderMustBeAnExecutableFile) {
    const fs::path program = makeProgram(root.path() / "apps" / "velomira", false);
    const fs::path tool = program / "tool" / "ffmpeg";
    auto expectRefused = [&](const char* why) {
        StartupResult result = prepareStartup(context(program));
        ASSERT_TRUE(result.refusal) << why;
        EXPECT_EQ(result.refusal->text, kMissingEncoderText) << why;
        EXPECT_EQ(result.refusal->title, "提示");
        EXPECT_EQ(result.refusal->helpPage, "/unzip.html");
        EXPECT_EQ(result.refusal->exitCode, -1);
        EXPECT_FALSE(fs::exists(program / "pics")) << why;
    };
    expectRefused("missing");
    root.writeFile("apps/velomira/tool/ffmpeg", "#!/bin/sh\n");
    fs::permissions(tool, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);
    expectRefused("not executable");
    fs::remove(tool);
    fs::create_directory(tool);
    expectRefused("a folder");
    fs::remove(tool);
    fs::create_symlink(root.path() / "nowhere", tool);
    expectRefused("a dangling link");

    // A link to an executable, as the build makes it, is accepted.
    fs::remove(tool);
    fs::create_symlink("/bin/sh", tool);
    EXPECT_FALSE(checkEncoderTool(program));
    EXPECT_FALSE(prepareStartup(context(program)).refusal);
}

TEST_F(StartupTest, EmptyingRemovesContentsButNeverFollowsLinks) {
    const fs::path folder = root.path() / "pictures";
    root.writeFile("pictures/a.jpg", "a");
    root.writeFile("pictures/b.png", "b");
    root.writeFile("pictures/frames/1.jpg", "1");
    const std::string outside = root.writeFile("outside/keep.jpg", "keep");
    fs::create_symlink(outside, folder / "link.jpg");
    fs::create_directory_symlink(root.path() / "outside", folder / "linked_folder");

    EXPECT_EQ(emptyTempPictureFolder(folder), 5);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_TRUE(fs::exists(outside));

    EXPECT_EQ(emptyTempPictureFolder(folder), 0);
    EXPECT_EQ(emptyTempPictureFolder(root.path() / "missing"), 0);
    EXPECT_EQ(emptyTempPictureFolder(""), 0);
    // The folder itself being a link: nothing behind it is touched.
    fs::create_directory_symlink(root.path() / "outside", root.path() / "linked");
    EXPECT_EQ(emptyTempPictureFolder(root.path() / "linked"), 0);
    EXPECT_TRUE(fs::exists(outside));
}

TEST_F(StartupTest, EachRunningCopyHasItsOwnTempFolders) {
    const fs::path program = makeProgram(root.path() / "apps" / "velomira");
    // Left by copies that are gone: a pid that cannot exist, and a live pid (our parent) with
    // another start time, as after the pid was used again.
    const std::string gone[] = {"999999999-5", std::to_string(getppid()) + "-1"};
    for (const std::string& name : gone)
        root.writeFile(("apps/velomira/temp/" + name + "/v17").c_str(), "fifo stand-in");
    root.writeFile("apps/velomira/temp/not-a-copy/keep", "kept");

    // Copy A: this process. Its GIF frames sit in its picture folder.
    const StartupResult a = prepareStartup(context(program));
    ASSERT_FALSE(a.refusal);
    const fs::path frame = a.folders.tempPictureFolder / "gif_1.png";
    std::ofstream(frame) << "frame";
    for (const std::string& name : gone)
        EXPECT_FALSE(fs::exists(program / "temp" / name)) << name;
    EXPECT_TRUE(fs::exists(program / "temp" / "not-a-copy" / "keep"));

    // Copy B: a second real process on the same program folder, started and closed.
    const pid_t b = fork();
    ASSERT_GE(b, 0);
    if (b == 0) {
        const StartupResult own = prepareStartup(context(program));
        const bool separate = own.folders.tempPictureFolder != a.folders.tempPictureFolder &&
                              fs::is_directory(own.folders.workTempFolder);
        removeOwnTempFolders(own.folders);
        _exit(separate && !fs::exists(own.folders.workTempFolder) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(b, &status, 0), b);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // B's exit left A's frames alone.
    EXPECT_TRUE(fs::exists(frame));
    // A copy stays recognised as running whatever it does meanwhile (its memory grows).
    std::vector<char> grown(256 << 20, 1);
    EXPECT_TRUE(copyIsRunning(a.folders.tempPictureFolder.filename().string()));
    grown.clear();
    EXPECT_TRUE(copyIsRunning(a.folders.tempPictureFolder.filename().string()));

    removeOwnTempFolders(a.folders);
    EXPECT_FALSE(fs::exists(a.folders.tempPictureFolder));
    EXPECT_TRUE(fs::is_directory(program / "temp"));
}

TEST(ListDropHeightTest, KnownHeightsAndRanges) {
    const std::pair<int, int> cases[] = {
        {768, 30}, {800, 31}, {900, 34}, {960, 36},  {1024, 38}, {1080, 39}, {600, 22},
        {0, 22},   {-5, 22},  {769, 33}, {1050, 33}, {1081, 40}, {1200, 40}, {2160, 40},
    };
    for (auto [height, entries] : cases)
        EXPECT_EQ(listDropHeight(height), entries) << height;
}

} // namespace
} // namespace velomira
