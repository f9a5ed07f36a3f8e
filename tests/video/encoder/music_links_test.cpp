#include "video/music_links.h"

#include "support/program_run.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

using testing::readWholeFile;
using testing::TempFolder;

TEST(MusicTrackNames, OnlyANameWithABarGoesThroughALinkToTheSameBytes) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "work");
    const struct {
        std::string name;
        bool linked;
        const char* linkExtension; // the end of the link's name
    } cases[] = {
        {"plain.mp3", false, ""},         {"with space and 'quote' \"double\".mp3", false, ""},
        {"-leading dash.mp3", false, ""}, {"\xff\xfe bytes.mp3", false, ""},
        {"a|b.mp3", true, ".mp3"},        {"x|y|z.MP3", true, ".MP3"},
        {"bar|no extension", true, ""},   {"bar|odd.m p3", true, ""},
    };
    std::vector<std::string> tracks;
    for (const auto& c : cases)
        tracks.push_back(folder.writeFile(c.name, "bytes of " + c.name));
    std::vector<std::string> named = tracks;
    {
        MusicTrackNames names;
        std::mt19937 random(5);
        ASSERT_TRUE(names.prepare(folder.path() / "work", named, random));
        ASSERT_EQ(named.size(), tracks.size());
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            SCOPED_TRACE(cases[i].name);
            EXPECT_EQ(named[i].find('|'), std::string::npos);
            EXPECT_EQ(readWholeFile(named[i]), "bytes of " + cases[i].name);
            if (!cases[i].linked) {
                EXPECT_EQ(named[i], tracks[i]) << "a name the encoder takes stays as it was";
                continue;
            }
            const std::string link = std::filesystem::path(named[i]).filename().string();
            EXPECT_EQ(link.rfind("music_", 0), 0u) << link;
            EXPECT_EQ(link.size(), std::string("music_12345").size() +
                                       std::string(cases[i].linkExtension).size())
                << link;
            EXPECT_TRUE(link.ends_with(cases[i].linkExtension)) << link;
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "work")) << "links go with the run";
    for (std::size_t i = 0; i < tracks.size(); ++i)
        EXPECT_EQ(readWholeFile(tracks[i]), "bytes of " + cases[i].name);
}

TEST(MusicTrackNames, RelativeNamesAreNamedFromTheRootAndAMissingFolderFails) {
    TempFolder folder;
    std::vector<std::string> named = {"relative.mp3"};
    std::mt19937 random(1);
    MusicTrackNames names;
    ASSERT_TRUE(names.prepare(folder.path(), named, random));
    EXPECT_EQ(named[0], (std::filesystem::current_path() / "relative.mp3").string());

    std::vector<std::string> barred = {folder.writeFile("a|b.mp3", "x")};
    MusicTrackNames nowhere;
    EXPECT_FALSE(nowhere.prepare(folder.path() / "missing", barred, random));
}

} // namespace
} // namespace velomira
