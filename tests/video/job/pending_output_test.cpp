// Where a committed video goes: a finished one takes the chosen name, a stopped one goes
// beside an earlier file under the first free "(已停止)" name and never replaces anything.
#include "video/pending_output.h"

#include "support/program_run.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace velomira {
namespace {

using testing::readWholeFile;

TEST(PendingOutputTest, AStoppedVideoNameFitsTheFileSystem) {
    const std::string name = stoppedVideoName("/v/" + std::string(240, 'a') + ".mp4", 3);
    EXPECT_EQ(name, "/v/" + std::string(255 - 18, 'a') + " (已停止 3).mp4");
}

TEST(PendingOutputTest, AStoppedVideoNeverReplacesAnEarlierFile) {
    struct Case {
        std::vector<std::string> existing; // files in the folder before the commit
        EarlierFile earlier;
        std::string kept;
    };
    const std::vector<Case> cases{
        {{}, EarlierFile::Keep, "clip.mp4"},
        {{"clip.mp4"}, EarlierFile::Keep, "clip (已停止).mp4"},
        {{"clip.mp4", "clip (已停止).mp4"}, EarlierFile::Keep, "clip (已停止 2).mp4"},
        {{"clip.mp4"}, EarlierFile::Replace, "clip.mp4"},
    };
    for (const Case& c : cases) {
        testing::TempFolder folder;
        for (const std::string& name : c.existing)
            folder.writeFile(name, "earlier " + name);
        std::string failure;
        {
            PendingOutput output(folder.file("clip.mp4"));
            std::ofstream(output.path(), std::ios::binary) << "new video";
            ASSERT_TRUE(output.commit(failure, c.earlier)) << failure;
            EXPECT_EQ(output.keptPath(), folder.file(c.kept));
        }
        EXPECT_EQ(readWholeFile(folder.file(c.kept)), "new video") << c.kept;
        for (const std::string& name : c.existing) {
            if (name != c.kept) {
                EXPECT_EQ(readWholeFile(folder.file(name)), "earlier " + name) << name;
            }
        }
        const auto files = std::distance(std::filesystem::directory_iterator(folder.path()), {});
        EXPECT_EQ(static_cast<std::size_t>(files),
                  c.existing.size() + (c.earlier == EarlierFile::Keep ? 1 : 0))
            << "no temporary file is left behind";
    }
}

} // namespace
} // namespace velomira
