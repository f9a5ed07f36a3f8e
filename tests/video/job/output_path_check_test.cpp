// The checks of the video's path before a run: folders, missing folders and over-long names
// are refused with the path named; every name the file system takes is accepted.
#include "video/output_path_check.h"

#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(OutputPathCheck, RefusesPathsNoVideoCanBeWrittenTo) {
    testing::TempFolder folder;
    std::filesystem::create_directories(folder.path() / "dir");
    std::filesystem::create_directories(folder.path() / "clip.mp4");
    const std::string base = folder.path().string() + "/";
    struct Case {
        std::string path;
        std::string problemPart; // empty: accepted
    } cases[] = {
        {base + "video", ""},
        {base + "video.MP4", ""},
        {base + std::string(251, 'a'), ""},              // 255 bytes with ".mp4"
        {base + std::string(255, 'b') + ".mp4", "太长"}, // the file system takes no more
        {base + std::string(252, 'c'), "太长"},          // too long once ".mp4" is added
        {base + "dir", "是一个文件夹"},
        {base + "dir/", "是一个文件夹"},
        {base + "clip", "是一个文件夹"}, // becomes the folder clip.mp4
        {base + "missing/video.mp4", "不存在"},
        {"", "没有指定"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string problem = outputPathProblem(c.path);
        if (c.problemPart.empty()) {
            EXPECT_EQ(problem, "");
        } else {
            EXPECT_NE(problem.find(c.problemPart), std::string::npos) << problem;
            // The refusal names the path the user gave.
            if (!c.path.empty()) {
                EXPECT_NE(problem.find(c.path.substr(0, c.path.size() - 1)), std::string::npos);
            }
        }
    }
}

} // namespace
} // namespace velomira
