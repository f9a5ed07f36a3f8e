#include "ui/file_dialogs.h"

#include "support/recording_dialogs.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using testing::FileDialogKind;
using testing::RecordingDialogs;

const std::vector<FileFilter> kPictures{{"图片文件", {"*.jpg", "*.png"}}};

// Runs one helper of the given kind on a scripted answer; what it chose, as a list.
std::vector<std::string> choose(RecordingDialogs& dialogs, FileDialogKind kind,
                                std::vector<std::string> answer, std::string& folder) {
    dialogs.scriptFiles(std::move(answer));
    switch (kind) {
    case FileDialogKind::OpenOne: {
        auto chosen = chooseFileToOpen("选择图片", kPictures, folder);
        return chosen ? std::vector<std::string>{*chosen} : std::vector<std::string>{};
    }
    case FileDialogKind::OpenSeveral:
        return chooseFilesToOpen("选择图片", kPictures, folder);
    case FileDialogKind::Save:
        break;
    }
    auto chosen = chooseFileToSave("保存视频", kPictures, "mp4", folder, "clip");
    return chosen ? std::vector<std::string>{*chosen} : std::vector<std::string>{};
}

std::string longFolder(size_t bytes) {
    return "/" + std::string(bytes - 1, 'd');
}

struct LengthCase {
    const char* name;
    FileDialogKind kind;
    std::vector<std::string> answer;
    const char* refusalStart; // nullptr: accepted
    const char* advice;
};

TEST(FileDialogs, LengthLimitsRefuseWithTheDialogsOwnWording) {
    using K = FileDialogKind;
    // A folder of 258 bytes leaves room for "/x" only: 259 bytes in all.
    const std::string edge = longFolder(257);
    // "一个汉字占 2 个字符": 129 characters of two bytes each and the slash make 259 bytes.
    std::string wide = "/";
    for (int i = 0; i < 129; ++i)
        wide += "图";
    const LengthCase cases[] = {
        {"path of 259 bytes", K::OpenOne, {edge + "/x"}, nullptr, nullptr},
        {"path of 260 bytes",
         K::OpenOne,
         {edge + "/xy"},
         "文件路径长度不能大于 259 个字符！",
         "修改文件路径长度"},
        {"folder of 260 bytes",
         K::Save,
         {longFolder(260) + "/a.mp4"},
         "文件夹路径长度不能大于 259 个字符！",
         "修改文件夹路径长度"},
        {"wide folder of 259 bytes",
         K::Save,
         {wide + "/a"},
         "文件路径长度不能大于 259 个字符！",
         "修改文件路径长度"},
        {"several: one long path",
         K::OpenSeveral,
         {"/p/a.jpg", edge + "/xy"},
         "文件路径长度不能大于 259 个字符！",
         "修改文件名称"},
        {"several: long folder",
         K::OpenSeveral,
         {longFolder(300) + "/a.jpg"},
         "文件夹路径长度不能大于 259 个字符！",
         "修改文件夹名称"},
        {"several: all fit", K::OpenSeveral, {"/p/a.jpg", "/p/b.jpg"}, nullptr, nullptr},
        {"cancelled open", K::OpenOne, {}, nullptr, nullptr},
        {"cancelled several", K::OpenSeveral, {}, nullptr, nullptr},
        {"cancelled save", K::Save, {}, nullptr, nullptr},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDialogs dialogs;
        std::string folder = "/start";
        const std::vector<std::string> chosen = choose(dialogs, c.kind, c.answer, folder);
        const auto messages = dialogs.messages();
        if (!c.refusalStart) {
            EXPECT_EQ(chosen, c.answer);
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(folder != "/start", !c.answer.empty());
            continue;
        }
        EXPECT_TRUE(chosen.empty());
        EXPECT_EQ(folder, "/start") << "a refused choice is not remembered";
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text.rfind(c.refusalStart, 0), 0u) << messages[0].text;
        EXPECT_NE(messages[0].text.find(c.advice), std::string::npos) << messages[0].text;
        EXPECT_EQ(messages[0].title, "提示");
        EXPECT_EQ(messages[0].kind, MessageKind::Error);
    }
}

TEST(FileDialogs, StartInTheRememberedFolderAndRememberTheChoice) {
    RecordingDialogs dialogs;
    std::string folder = "/home/u/图片";
    dialogs.scriptFiles({"/home/u/相册/一.jpg", "/home/u/相册/二.jpg"});
    EXPECT_EQ(chooseFilesToOpen("添加图片", kPictures, folder).size(), 2u);
    EXPECT_EQ(folder, "/home/u/相册");

    dialogs.scriptFiles({"/cover.png"});
    EXPECT_EQ(chooseFileToOpen("选择封面", kPictures, folder), "/cover.png");
    EXPECT_EQ(folder, "/");

    dialogs.scriptFiles({"/videos/clip.mp4"});
    EXPECT_EQ(chooseFileToSave("保存视频", {{"MP4 视频", {"*.mp4"}}}, "mp4", folder, "clip"),
              "/videos/clip.mp4");
    EXPECT_EQ(folder, "/videos");

    const auto asked = dialogs.fileDialogs();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].kind, FileDialogKind::OpenSeveral);
    EXPECT_EQ(asked[0].request.title, "添加图片");
    EXPECT_EQ(asked[0].request.startFolder, "/home/u/图片");
    EXPECT_EQ(asked[0].request.filters[0].patterns[1], "*.png");
    EXPECT_EQ(asked[1].request.startFolder, "/home/u/相册");
    EXPECT_EQ(asked[2].kind, FileDialogKind::Save);
    EXPECT_EQ(asked[2].request.startFolder, "/");
    EXPECT_EQ(asked[2].request.defaultExtension, "mp4");
    EXPECT_EQ(asked[2].request.initialName, "clip");
    EXPECT_TRUE(dialogs.messages().empty());

    // The terminal host cannot show a file dialog: it answers as a cancel.
    installDialogHost(nullptr);
    EXPECT_FALSE(chooseFileToOpen("选择图片", kPictures, folder));
    EXPECT_EQ(folder, "/videos");
}

} // namespace
} // namespace velomira
