#include "video/encoder_progress.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

const std::string kEntry1 = "frame=10\nout_time_us=400000\nout_time=00:00:00.400000\n"
                            "progress=continue\n";
const std::string kEntry2 = "frame=20\nout_time_us=812494\nprogress=continue\n";

TEST(EncoderProgress, TheLastCompleteEntryGivesTheOutputTime) {
    const struct {
        const char* name;
        std::string text;
        std::optional<std::int64_t> expected;
    } cases[] = {
        {"nothing yet", "", std::nullopt},
        {"one entry", kEntry1, 400000},
        {"two entries", kEntry1 + kEntry2, 812494},
        {"last one half written", kEntry1 + "frame=30\nout_time_us=99", 400000},
        {"the end", kEntry1 + "out_time_us=2012494\nprogress=end\n", 2012494},
        {"no time in the entry", "frame=1\nprogress=continue\n", std::nullopt},
        {"not a number", "out_time_us=N/A\nprogress=continue\n", std::nullopt},
        {"a key that only ends the same", "xout_time_us=5\nprogress=end\n", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reportedOutputTime(c.text), c.expected) << c.name;
}

TEST(EncoderProgress, TheReportFileIsReadFromItsEndAndGoesWithTheRun) {
    testing::TempFolder folder;
    std::mt19937 random(3);
    std::filesystem::path path;
    {
        EncoderProgressFile file;
        ASSERT_TRUE(file.create(folder.path(), random));
        path = file.path();
        std::string many;
        for (int i = 0; i < 200; ++i)
            many += kEntry1;
        folder.writeFile(path.filename().string(), many + kEntry2);
        EXPECT_EQ(reportedOutputTime(path), 812494);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace velomira
