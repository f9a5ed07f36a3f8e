// Platform presets as data: the table file's rows, the rows it skips and why, which file wins,
// and what a preset does to an album and its run's limits.
#include "video/output_presets.h"

#include "support/temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace velomira {
namespace {

using testing::TempFolder;

TEST(OutputPresets, RowsAreReadAndBrokenOnesSkippedWithTheirLine) {
    const std::string text = "\xEF\xBB\xBF# comment\n"
                             "reels\t短视频 9:16\t1080x1920\tblur\t-\t-\n"
                             "\n"
                             "shop\t主图视频 3:4 (750 x 1000, ≤ 60 秒)\t750x1000\tcrop\t60\t-\r\n"
                             "msg\t消息\t1280x720\tfit\t-\t16M\n"
                             "odd\t奇数\t641x360\tfit\t-\t-\n"
                             "fill\t填充\t640x360\tstretch\t-\t-\n"
                             "long\t长\t640x360\tfit\tforever\t-\n"
                             "cap\t上限\t640x360\tfit\t-\tbig\n"
                             "few\t列\t640x360\tfit\n"
                             "REELS\t重复\t640x360\tfit\t-\t-\n"
                             "\t无键\t640x360\tfit\t-\t-";
    const PresetTable table = parsePresetText(text, "p.tsv");
    const struct {
        const char* key;
        int width, height;
        FillMode fill;
        double seconds;
        std::uint64_t bytes;
    } rows[] = {
        {"reels", 1080, 1920, FillMode::Blur, 0, 0},
        {"shop", 750, 1000, FillMode::Crop, 60, 0},
        {"msg", 1280, 720, FillMode::Fit, 0, 16000000},
    };
    ASSERT_EQ(table.presets.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const OutputPreset& p = table.presets[i];
        EXPECT_EQ(p.key, rows[i].key);
        EXPECT_EQ(p.width, rows[i].width);
        EXPECT_EQ(p.height, rows[i].height);
        EXPECT_EQ(p.fill, rows[i].fill);
        EXPECT_EQ(p.maxSeconds, rows[i].seconds);
        EXPECT_EQ(p.maxBytes, rows[i].bytes);
    }
    EXPECT_EQ(table.presets[1].name, "主图视频 3:4 (750 x 1000, ≤ 60 秒)");
    const std::pair<int, const char*> skipped[] = {
        {6, "641x360"},    {7, "stretch"}, {8, "forever"},   {9, "big"},
        {10, "应有 6 列"}, {11, "重复"},   {12, "缺少名称"},
    };
    ASSERT_EQ(table.notes.size(), std::size(skipped));
    for (std::size_t i = 0; i < std::size(skipped); ++i) {
        const std::string& note = table.notes[i];
        EXPECT_EQ(note.rfind("预设文件 p.tsv 第 " + std::to_string(skipped[i].first) + " 行", 0),
                  0u)
            << note;
        EXPECT_NE(note.find(skipped[i].second), std::string::npos) << note;
    }
}

TEST(OutputPresets, TheUsersFileWinsAndWithoutFilesTheBuiltInRowsStand) {
    TempFolder folder;
    const std::string user = folder.file("user.tsv");
    const std::string installed = folder.writeFile("installed.tsv", "a\t甲\t640x360\tfit\t-\t-\n");
    const struct {
        const char* name;
        std::string userText; // empty: no user file
        std::string installedPath;
        std::vector<std::string> keys;
        std::size_t notes;
    } cases[] = {
        {"user wins", "b\t乙\t320x180\tcrop\t10\t1M\nbad\n", installed, {"b"}, 1},
        {"installed", "", installed, {"a"}, 0},
        {"none", "", folder.file("missing.tsv"), {"reels", "shop", "square", "feed", "message"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(user);
        if (!c.userText.empty())
            folder.writeFile("user.tsv", c.userText);
        const PresetTable table = loadPresetTable(user, c.installedPath);
        std::vector<std::string> keys;
        for (const OutputPreset& preset : table.presets)
            keys.push_back(preset.key);
        EXPECT_EQ(keys, c.keys);
        EXPECT_EQ(table.notes.size(), c.notes);
    }
}

TEST(OutputPresets, TheShippedTableHoldsTheBuiltInRows) {
    std::ifstream in(VELOMIRA_PRESET_TABLE);
    std::stringstream text;
    text << in.rdbuf();
    const PresetTable shipped = parsePresetText(text.str(), "presets.tsv");
    EXPECT_TRUE(shipped.notes.empty());
    const std::vector<OutputPreset>& builtIn = builtInPresets();
    ASSERT_EQ(shipped.presets.size(), builtIn.size());
    for (std::size_t i = 0; i < builtIn.size(); ++i) {
        const OutputPreset& a = shipped.presets[i];
        const OutputPreset& b = builtIn[i];
        EXPECT_EQ(std::tie(a.key, a.name, a.width, a.height, a.fill, a.maxSeconds, a.maxBytes),
                  std::tie(b.key, b.name, b.width, b.height, b.fill, b.maxSeconds, b.maxBytes));
    }
}

// The fuzzer's nasty cases: every row read is usable, every other line is noted.
TEST(OutputPresets, NastyTablesGiveOnlyUsableRows) {
    for (const auto& entry : std::filesystem::directory_iterator(VELOMIRA_PRESET_CORPUS)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const PresetTable table = parsePresetText(text.str(), "corpus");
        for (const OutputPreset& preset : table.presets) {
            EXPECT_GE(preset.width, kMinVideoSide);
            EXPECT_LE(preset.width, kMaxVideoWidth);
            EXPECT_EQ(preset.height % 2, 0);
            EXPECT_GE(preset.maxSeconds, 0);
        }
        EXPECT_FALSE(table.presets.empty() && table.notes.empty());
    }
}

TEST(OutputPresets, APresetSetsTheAlbumAndTheRunsLimits) {
    PresetTable table;
    table.presets = builtInPresets();
    const struct {
        const char* text;
        std::uint64_t userCap;
        int width, height;
        FillMode fill;
        OutputLimits limits;
    } cases[] = {
        {"reels", 0, 1080, 1920, FillMode::Blur, {0, 0, "短视频 9:16 (1080 x 1920)"}},
        {"SHOP", 0, 750, 1000, FillMode::Blur, {0, 60, "主图视频 3:4 (750 x 1000, ≤ 60 秒)"}},
        {"消息 (1280 x 720, ≤ 16 MB)",
         0,
         1280,
         720,
         FillMode::Fit,
         {16000000, 0, "消息 (1280 x 720, ≤ 16 MB)"}},
        // The user's own cap wins over the preset's.
        {"message", 8000000, 1280, 720, FillMode::Fit, {8000000, 0, "消息 (1280 x 720, ≤ 16 MB)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const OutputPreset* preset = findPreset(table, c.text);
        ASSERT_NE(preset, nullptr);
        AlbumProject album;
        applyPreset(album, *preset);
        EXPECT_EQ(album.settings.videoWidth, c.width);
        EXPECT_EQ(album.settings.videoHeight, c.height);
        EXPECT_EQ(album.settings.fillMode, c.fill);
        const OutputLimits limits = presetLimits(*preset, c.userCap);
        EXPECT_EQ(limits.maxBytes, c.limits.maxBytes);
        EXPECT_EQ(limits.maxSeconds, c.limits.maxSeconds);
        EXPECT_EQ(limits.presetName, c.limits.presetName);
    }
    EXPECT_EQ(findPreset(table, "nope"), nullptr);
    EXPECT_EQ(findPreset(table, "短视频"), nullptr); // names match whole
}

} // namespace
} // namespace velomira
