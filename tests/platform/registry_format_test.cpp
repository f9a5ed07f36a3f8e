#include "platform/registry_format.h"

#include <gtest/gtest.h>
#include <random>

namespace velomira {
namespace {

TEST(RegistryFormat, TextsAndNumbersSurviveARoundTrip) {
    RegistryValues values;
    values["chinese"] = std::string("/home/用户/桌面/我的项目");
    values["quotes"] = std::string("say \"hi\" \\ C:\\dir\\");
    values["lines"] = std::string("one\ntwo\r\nthree\tfour");
    values["controls"] = std::string("\x01\x1f\x7f end", 6);
    values["nul"] = std::string("a\0b", 3);
    values["empty"] = std::string();
    values["zero"] = uint32_t{0};
    values["max"] = uint32_t{0xFFFFFFFF};
    values["name with \"quote\""] = uint32_t{30};

    std::string text = formatRegistryText(values);
    EXPECT_NE(text.find("[SOFTWARE\\Velomira]\n"), std::string::npos);
    EXPECT_NE(text.find("\"zero\"=dword:00000000\n"), std::string::npos);
    EXPECT_NE(text.find("\"max\"=dword:ffffffff\n"), std::string::npos);
    EXPECT_NE(text.find("\"chinese\"=\"/home/用户/桌面/我的项目\"\n"), std::string::npos);
    // Every value stays on its own line.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 9);

    EXPECT_EQ(parseRegistryText(text), values);
}

TEST(RegistryFormat, ReadsHandWrittenVariations) {
    RegistryValues values = parseRegistryText("  [ software\\velomira ]  \r\n"
                                              "\"A\" = dword:1E\r\n"
                                              "; comment\n"
                                              "# another\n"
                                              "\"b\"=\"x\\x41y\"   \r\n"
                                              "\"a\"=dword:2f"); // no final newline; same name
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(std::get<uint32_t>(values.at("a")), 0x2fu); // later line wins, names ignore case
    EXPECT_EQ(std::get<std::string>(values.at("B")), "xAy");
}

TEST(RegistryFormat, SkipsWhatItCannotUnderstand) {
    RegistryValues values =
        parseRegistryText("\"before\"=dword:1\n" // outside any section
                          "[OTHER]\n\"other\"=dword:2\n"
                          "[SOFTWARE\\Velomira]\n"
                          "\"good\"=dword:3\n"
                          "\"unterminated\"=\"abc\n"
                          "\"badescape\"=\"a\\qb\"\n"
                          "\"shorthex\"=\"\\x4\"\n"
                          "\"nine\"=dword:123456789\n"
                          "\"nohex\"=dword:\n"
                          "\"letters\"=dword:xyz\n"
                          "\"\"=dword:4\n"
                          "\"trailing\"=\"t\" junk\n"
                          "\"noequals\" \"v\"\n"
                          "noquotes=dword:5\n"
                          "[SOFTWARE\\Velomira\n"
                          "\"stillin\"=dword:6\n" // a broken header ends the key
                          "[SOFTWARE\\Velomira]\n"
                          "\"last\"=\"ok\"\n");
    RegistryValues expected;
    expected["good"] = uint32_t{3};
    expected["last"] = std::string("ok");
    EXPECT_EQ(values, expected);
}

TEST(RegistryFormat, RandomBytesNeverBreakTheParserAndReparseStably) {
    std::mt19937 random(1234);
    const std::string alphabet =
        "\"\\=[]:;#\n\r\t dwordxSOFTWARE\\Velomira0123456789abcdef\x80\xff";
    for (int round = 0; round < 2000; ++round) {
        std::string input = "[SOFTWARE\\Velomira]\n";
        size_t length = random() % 200;
        for (size_t i = 0; i < length; ++i)
            input.push_back(random() % 4 == 0 ? static_cast<char>(random() % 256)
                                              : alphabet[random() % alphabet.size()]);
        RegistryValues parsed = parseRegistryText(input);
        ASSERT_EQ(parseRegistryText(formatRegistryText(parsed)), parsed) << input;
    }
}

} // namespace
} // namespace velomira
