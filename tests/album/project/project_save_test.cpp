#include "project_fixture.h"

#include "album/project_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velomira::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(ProjectSave, FileIsGbkWithEscapesOnlyForCharactersGbkLacks) {
    ProjectFixture f;
    f.add(f.picture("春天.png"));
    setAlbumItemCaptionText(f.album, 0, "€😀");
    const std::string path = f.folder.file("p.dat");
    ASSERT_TRUE(f.save(path));
    const std::string bytes = readBytes(path);
    EXPECT_NE(bytes.find("\xB4\xBA\xCC\xEC.png"), std::string::npos); // 春天 in GBK
    EXPECT_NE(bytes.find("\"watermark_text\":\t\"\x80\\ud83d\\ude00\""), std::string::npos);
    EXPECT_EQ(bytes.find("春天"), std::string::npos); // no UTF-8 left
}

TEST(ProjectSave, PicturesInTheTemporaryFolderAreCopiedIntoPicsOnce) {
    ProjectFixture f;
    const std::string temporary = f.picture("temp/download.png", "#123456");
    const std::string noExtension = f.picture("temp/sub/noext", "#654321");
    const std::string outside = f.picture("mine/keep.png");
    f.add(temporary);
    f.add(noExtension);
    f.add(outside);
    const std::string path = f.folder.file("p.dat");
    ASSERT_TRUE(f.save(path));

    const std::regex stamped(R"(\d{4}-\d\d-\d\d-\d\d-\d\d-\d\d-(\d{5})\.(png|jpg))");
    for (int i = 0; i < 2; ++i) {
        const AlbumItem& item = f.album.items[i];
        std::smatch match;
        ASSERT_TRUE(std::regex_match(item.fileName, match, stamped)) << item.fileName;
        const int number = std::stoi(match[1]);
        EXPECT_GE(number, 10000);
        EXPECT_LE(number, 30000);
        EXPECT_EQ(item.path, f.picsFolder() + "/" + item.fileName);
        EXPECT_EQ(readBytes(item.path), readBytes(i == 0 ? temporary : noExtension));
    }
    EXPECT_EQ(f.album.items[0].fileName.substr(f.album.items[0].fileName.size() - 4), ".png");
    EXPECT_EQ(f.album.items[1].fileName.substr(f.album.items[1].fileName.size() - 4), ".jpg");
    EXPECT_EQ(f.album.items[2].path, outside);
    const std::string saved = readBytes(path);
    EXPECT_NE(saved.find(f.album.items[0].path), std::string::npos);
    EXPECT_EQ(saved.find(temporary), std::string::npos);

    ASSERT_TRUE(f.save(path));
    EXPECT_EQ(namesIn(f.picsFolder()).size(), 2u);
    EXPECT_EQ(readBytes(path), saved);
}

TEST(ProjectSave, FailedCopyShowsItsMessageAndWritesNothing) {
    ProjectFixture f;
    const std::string good = f.picture("temp/a.png");
    const std::string gone = f.picture("temp/b.png");
    f.add(good);
    f.add(gone);
    const std::string path = f.folder.writeFile("p.dat", "previous");
    fs::remove(gone);

    EXPECT_FALSE(f.save(path));
    const auto messages = f.failures;
    ASSERT_EQ(messages.size(), 1u);
    const std::string prefix = "图片 '" + gone + "' 复制到 pics 文件夹 '" + f.picsFolder() + "/";
    EXPECT_EQ(messages[0].text.rfind(prefix, 0), 0u) << messages[0].text;
    EXPECT_NE(messages[0].text.find(".png' 发生错误, 请联系客服。"), std::string::npos);
    EXPECT_EQ(messages[0].title, "错误");
    EXPECT_EQ(messages[0].kind, MessageKind::Error);
    EXPECT_EQ(readBytes(path), "previous");
    EXPECT_TRUE(f.file.path.empty());
    // The copy made before the failure stays and the album points at it.
    EXPECT_EQ(f.album.items[0].path.rfind(f.picsFolder(), 0), 0u);
    EXPECT_EQ(f.album.items[1].path, gone);
    EXPECT_EQ(namesIn(f.picsFolder()).size(), 1u);
}

TEST(ProjectSave, MissingPicsFolderIsACopyFailure) {
    ProjectFixture f;
    f.add(f.picture("temp/a.png"));
    fs::remove_all(f.picsFolder());
    EXPECT_FALSE(f.save(f.folder.file("p.dat")));
    ASSERT_EQ(f.failures.size(), 1u);
    EXPECT_NE(f.failures[0].text.find("复制到 pics 文件夹"), std::string::npos);
    EXPECT_FALSE(fs::exists(f.folder.file("p.dat")));
}

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(ProjectSave, FailedWriteLeavesThePreviousFileAndNoLeftovers) {
    ProjectFixture f;
    f.add(f.picture("a.png"));
    const std::string path = f.folder.file("p.dat");
    ASSERT_TRUE(f.save(path));
    const std::string previous = readBytes(path);
    for (int i = 0; i < 30; ++i) {
        f.add(f.picture("a.png"));
    }
    ProjectFileState state;
    {
        // Writes beyond the old file's size fail, as on a full disk.
        FileSizeLimit limit(previous.size() + 16);
        const ProjectSave saved = saveProjectFile(f.album, f.folders(), path, state);
        EXPECT_FALSE(saved);
        ASSERT_TRUE(saved.failure);
        EXPECT_EQ(saved.failure->text, "写入文件时出错\n文件超过了允许的大小上限: " + path);
        EXPECT_EQ(saved.failure->title, "错误");
    }
    EXPECT_TRUE(f.dialogs.messages().empty());
    EXPECT_EQ(readBytes(path), previous);
    EXPECT_TRUE(state.path.empty());
    EXPECT_EQ(state.name, "新项目");
    for (const std::string& name : namesIn(f.folder.path().string())) {
        EXPECT_EQ(name.find("p.dat."), std::string::npos) << "left behind: " << name;
    }
}

TEST(ProjectSave, TargetThatCannotBeCreatedOrReplaced) {
    ProjectFixture f;
    f.add(f.picture("a.png"));
    EXPECT_FALSE(f.save(f.folder.file("no such folder/p.dat")));
    // A folder where the file should be cannot be replaced by it.
    fs::create_directories(f.folder.file("taken.dat/inside"));
    EXPECT_FALSE(f.save(f.folder.file("taken.dat")));
    EXPECT_TRUE(fs::is_directory(f.folder.file("taken.dat/inside")));
    EXPECT_EQ(f.messageTexts(),
              (std::vector<std::string>{"写入文件时出错，文件句柄打开出错\n文件不存在: " +
                                            f.folder.file("no such folder/p.dat"),
                                        "写入文件时出错\n这是一个文件夹，不是文件: " +
                                            f.folder.file("taken.dat")}));
    EXPECT_TRUE(f.file.path.empty());
}

TEST(ProjectSave, ReadOnlyFolderKeepsThePreviousFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders; the size-limit test covers this";
    }
    ProjectFixture f;
    f.add(f.picture("a.png"));
    fs::create_directories(f.folder.file("locked"));
    const std::string path = f.folder.writeFile("locked/p.dat", "previous");
    fs::permissions(f.folder.file("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(f.save(path));
    fs::permissions(f.folder.file("locked"), fs::perms::owner_all);
    EXPECT_EQ(readBytes(path), "previous");
    EXPECT_EQ(f.messageTexts(),
              std::vector<std::string>{"写入文件时出错，文件句柄打开出错\n没有访问权限: " + path});
}

TEST(ProjectSave, ReplacingKeepsPermissionsAndSymbolicLinks) {
    ProjectFixture f;
    f.add(f.picture("a.png"));
    const std::string real = f.folder.writeFile("real.dat", "old");
    ::chmod(real.c_str(), 0600);
    const std::string link = f.folder.file("link.dat");
    fs::create_symlink(real, link);
    ASSERT_TRUE(f.save(link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(real), serializeProject(static_cast<const AlbumProject&>(f.album)));
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(f.file.name, "link.dat");
}

TEST(ProjectModified, FollowsPicturesPathAndFileContents) {
    ProjectFixture f;
    // No pictures: never modified, whatever the options say.
    f.album.settings.logo = true;
    EXPECT_FALSE(isProjectModified(f.album, f.file));

    f.add(f.picture("a.png"));
    EXPECT_TRUE(isProjectModified(f.album, f.file)); // no file yet
    const std::string path = f.folder.file("p.dat");
    ASSERT_TRUE(f.save(path));
    EXPECT_FALSE(isProjectModified(f.album, f.file));

    setAlbumItemCaptionText(f.album, 0, "新");
    EXPECT_TRUE(isProjectModified(f.album, f.file));
    ASSERT_TRUE(f.save(path));
    f.album.settings.cover = true;
    EXPECT_TRUE(isProjectModified(f.album, f.file));
    ASSERT_TRUE(f.save(path));

    writeBytes(path, readBytes(path) + " ");
    EXPECT_TRUE(isProjectModified(f.album, f.file));
    fs::remove(path);
    EXPECT_TRUE(isProjectModified(f.album, f.file));
}

TEST(ProjectRead, EachUnreadableFileHasItsMessage) {
    TempFolder folder;
    const std::string empty = folder.writeFile("empty.dat", "");
    const std::string big = folder.file("big.dat");
    writeBytes(big, "{");
    fs::resize_file(big, kMaxProjectFileBytes + 1);
    const std::string fifo = folder.file("pipe.dat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const std::vector<std::pair<std::string, std::string>> cases = {
        {folder.file("missing.dat"),
         "读取文件时出错, 无法打开文件句柄\n文件不存在: " + folder.file("missing.dat")},
        {folder.path().string(),
         "读取文件时出错, 无法打开文件句柄\n这是一个文件夹，不是文件: " + folder.path().string()},
        {fifo, "读取文件时出错, 无法打开文件句柄\n不是普通文件: " + fifo},
        {empty, "读取文件时出错，这是一个空白文件。"},
        {big, "读取文件时出错，文件太大（超过 50 MB），不是项目文件。"},
    };
    for (const auto& [path, text] : cases) {
        RecordingDialogs dialogs;
        const ProjectFileBytes read = readProjectFileText(path);
        EXPECT_FALSE(read.bytes) << path;
        EXPECT_TRUE(dialogs.messages().empty()) << path;
        EXPECT_EQ(read.failure.text, text);
        EXPECT_EQ(read.failure.title, "提示");
    }
    // Exactly at the limit the file is read (and is then no JSON, which is the caller's).
    fs::resize_file(big, kMaxProjectFileBytes);
    EXPECT_TRUE(readProjectFileBytes(big).bytes);
}

} // namespace
} // namespace velomira::testing
