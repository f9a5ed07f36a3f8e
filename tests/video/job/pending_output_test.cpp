// Where a committed video goes: a finished one takes the chosen name, a stopped one goes
// beside an earlier file under the first free "(已停止)" name and never replaces anything.
#include "video/pending_output.h"

#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace velomira {
namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(PendingOutputTest, StoppedVideoNamesSayIncompleteAndCount) {
    EXPECT_EQ(stoppedVideoName("/v/clip.mp4", 1), "/v/clip (已停止).mp4");
    EXPECT_EQ(stoppedVideoName("/v/clip.mp4", 2), "/v/clip (已停止 2).mp4");
    EXPECT_EQ(stoppedVideoName("/v/a.b.mp4", 12), "/v/a.b (已停止 12).mp4");
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
        const std::string target = folder.file("clip.mp4");
        std::string failure;
        {
            PendingOutput output(target);
            std::ofstream(output.path(), std::ios::binary) << "new video";
            ASSERT_TRUE(output.commit(failure, c.earlier)) << failure;
            EXPECT_EQ(output.keptPath(), folder.file(c.kept));
        }
        EXPECT_EQ(contents(folder.file(c.kept)), "new video") << c.kept;
        for (const std::string& name : c.existing) {
            if (name != c.kept) {
                EXPECT_EQ(contents(folder.file(name)), "earlier " + name) << name;
            }
        }
        std::size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            files += entry.is_regular_file() ? 1 : 0;
        EXPECT_EQ(files, c.existing.size() + (c.earlier == EarlierFile::Keep ? 1 : 0))
            << "no temporary file is left behind";
    }
}

} // namespace
} // namespace velomira
