// Where projects and videos go by default: the work folder's own folders when the program runs
// from a writable folder, "Velomira" in the user's Documents and Videos folders when it is
// installed, and the work folder's with a note when a user folder is missing or unusable.
#include "app/startup.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace velomira {
namespace {

namespace fs = std::filesystem;

TEST(UserFoldersTest, InstalledProgramUsesTheUsersFoldersOrSaysWhereItsFilesGo) {
    testing::TempFolder root;
    const fs::path program = root.path() / "usr-lib-velomira";
    const fs::path data = root.path() / "data";
    const fs::path videos = root.path() / "视频";
    const fs::path documents = root.path() / "Documents";
    fs::create_directories(videos);
    fs::create_directories(documents);
    const std::string notAFolder = root.writeFile("plain-file", "x"); // nothing can go below it

    struct Case {
        const char* what;
        fs::path work, videos, documents;
        fs::path wantProjects, wantVideos;
        size_t notes;
    };
    const Case cases[] = {
        {"build tree", program, videos, documents, program / "我的项目", program / "我的视频", 0},
        {"installed", data, videos, documents, documents / "Velomira", videos / "Velomira", 0},
        {"no Videos folder", data, {}, documents, documents / "Velomira", data / "我的视频", 1},
        {"unusable folders", data, notAFolder, notAFolder, data / "我的项目", data / "我的视频", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartupContext context{program, root.path(), root.path(), c.videos, c.documents, {}, {}};
        StartupFolders folders;
        folders.programFolder = program;
        folders.workFolder = c.work;
        chooseUserFolders(context, folders);
        EXPECT_EQ(folders.projectFolder, c.wantProjects);
        EXPECT_EQ(folders.videoFolder, c.wantVideos);
        ASSERT_EQ(folders.notes.size(), c.notes);
        if (c.notes > 0) {
            EXPECT_NE(folders.notes.back().find(c.wantVideos.string()), std::string::npos);
        }
    }
    EXPECT_TRUE(fs::is_directory(videos / "Velomira"));
}

TEST(UserFoldersTest, InstalledProgramKeepsItsTemporaryFoldersOutOfTheUsersData) {
    testing::TempFolder root;
    const fs::path program = root.path() / "program";
    const fs::path data = root.path() / "data";
    const fs::path runtime = root.path() / "run-user";
    const fs::path tmp = root.path() / "tmp";
    for (const fs::path& folder : {program, data, runtime, tmp})
        fs::create_directories(folder);
    StartupContext context{program, root.path(), tmp, {}, {}, {}, runtime};

    TempBases bases = chooseTempBases(context, data);
    EXPECT_EQ(bases.encoder, runtime / "velomira" / "temp");
    EXPECT_EQ(bases.pictures, runtime / "velomira" / "pictures");
    EXPECT_EQ(fs::status(runtime / "velomira").permissions(), fs::perms::owner_all);

    context.runtimeFolder.clear(); // XDG_RUNTIME_DIR unset: the system temporary folder
    bases = chooseTempBases(context, data);
    EXPECT_EQ(bases.encoder.parent_path().parent_path(), tmp);

    // A name taken by a link (someone else's trap) is not used: the work folder's instead.
    fs::create_symlink(root.path(), runtime / "velomira-link-target");
    fs::remove_all(runtime / "velomira");
    fs::create_symlink(runtime / "velomira-link-target", runtime / "velomira");
    context.runtimeFolder = runtime;
    EXPECT_EQ(chooseTempBases(context, data).encoder, data / "temp");

    // Run from its own writable folder, everything stays in it as before.
    EXPECT_EQ(chooseTempBases(context, program).encoder, program / "temp");
}

TEST(UserFoldersTest, InstalledEncoderLinkWithoutItsTargetSaysWhatToInstall) {
    testing::TempFolder root;
    const fs::path program = root.path() / "program";
    fs::create_directories(program / "tool");
    fs::create_symlink(root.path() / "no-such-ffmpeg", program / "tool" / "ffmpeg");
    const std::optional<StartupRefusal> refusal = checkEncoderTool(program, true);
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->text.find((root.path() / "no-such-ffmpeg").string()), std::string::npos);
    EXPECT_NE(refusal->text.find("apt install ffmpeg"), std::string::npos);
    EXPECT_TRUE(refusal->helpPage.empty()); // unpacking again would not help
    EXPECT_EQ(checkEncoderTool(program, false)->helpPage, kUnpackHelpPage); // a copied folder
}

} // namespace
} // namespace velomira
