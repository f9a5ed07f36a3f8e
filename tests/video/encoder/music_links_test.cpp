#include "video/music_links.h"

#include "support/program_run.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(MusicTrackNames, OnlyANameWithABarGoesThroughALinkOfAPlainName) {
    testing::TempFolder folder;
    const struct {
        std::string name;
        std::string linkEnd; // empty: the name stays
    } cases[] = {{"plain 'q' \"d\".mp3", ""}, {"-dash\xff.mp3", ""}, {"a|b.mp3", ".mp3"},
                 {"x|y|z.MP3", ".MP3"},       {"bar|none", "_"},     {"bar|odd.m p3", "_"}};
    std::vector<std::string> tracks, named;
    for (const auto& c : cases)
        tracks.push_back(folder.writeFile(c.name, "bytes of " + c.name));
    named = tracks;
    {
        MusicTrackNames names;
        std::mt19937 random(5);
        ASSERT_TRUE(names.prepare(folder.path(), named, random));
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            SCOPED_TRACE(cases[i].name);
            EXPECT_EQ(testing::readWholeFile(named[i]), "bytes of " + cases[i].name);
            const std::string link = std::filesystem::path(named[i]).filename().string();
            if (cases[i].linkEnd.empty())
                EXPECT_EQ(named[i], tracks[i]);
            else if (cases[i].linkEnd == "_")
                EXPECT_EQ(link.find_first_not_of("0123456789", 6), std::string::npos) << link;
            else
                EXPECT_EQ(link.substr(11), cases[i].linkEnd) << link;
            EXPECT_EQ(named[i].find('|'), std::string::npos);
        }
    }
    for (std::size_t i = 0; i < tracks.size(); ++i)
        EXPECT_EQ(std::filesystem::exists(named[i]), named[i] == tracks[i]) << "links go";
}

} // namespace
} // namespace velomira
