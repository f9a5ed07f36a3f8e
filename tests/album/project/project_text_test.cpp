#include "album/project_text.h"

#include <gtest/gtest.h>

#include <string>

namespace velomira {
namespace {

std::string stringValue(const JsonTree& tree, const char* key) {
    const cJSON* item = cJSON_GetObjectItem(tree.get(), key);
    return cJSON_IsString(item) ? std::string(item->valuestring) : std::string("<none>");
}

TEST(ProjectTextToGbk, WritesGbkBytesForCharactersGbkHolds) {
    // "中文" is D6D0 CEC4 in GBK, "€" the single byte 0x80 in glibc's GBK.
    EXPECT_EQ(projectTextToGbk("{\"a\":\t\"中文€\"}"), "{\"a\":\t\"\xD6\xD0\xCE\xC4\x80\"}");
    EXPECT_EQ(projectTextToGbk("{}"), "{}");
}

TEST(ProjectTextToGbk, EscapesCharactersGbkLacksInsideStrings) {
    // U+2022 is outside GBK; U+1F600 becomes a surrogate pair.
    EXPECT_EQ(projectTextToGbk("[\"a•b\"]"), "[\"a\\u2022b\"]");
    EXPECT_EQ(projectTextToGbk("[\"😀\"]"), "[\"\\ud83d\\ude00\"]");
    // A byte that is not UTF-8 is marked instead of dropped.
    EXPECT_EQ(projectTextToGbk("[\"a\xFF\"]"), "[\"a\\ufffd\"]");
    // An escaped quote does not end the string, so what follows is still escaped.
    EXPECT_EQ(projectTextToGbk("[\"\\\"•\"]"), "[\"\\\"\\u2022\"]");
}

TEST(ProjectTextToGbk, EscapedTextParsesBackToTheSameCharacters) {
    const std::string original = "{\"t\":\"春天 😀 • € \\\\ \\\" \\t end\"}";
    const std::string gbk = projectTextToGbk(original);
    const JsonTree direct = parseProjectJson(original);
    const JsonTree viaDisk = parseProjectJson(projectTextFromGbk(gbk));
    ASSERT_TRUE(direct && viaDisk);
    EXPECT_EQ(stringValue(viaDisk, "t"), stringValue(direct, "t"));
    EXPECT_EQ(stringValue(viaDisk, "t"), "春天 😀 • € \\ \" \t end");
}

TEST(ProjectTextFromGbk, ConvertsAndDropsBytesThatAreNotGbk) {
    EXPECT_EQ(projectTextFromGbk("\xD6\xD0\xCE\xC4\x80"), "中文€");
    EXPECT_EQ(projectTextFromGbk("a\xFF"
                                 "b"),
              "ab");
    EXPECT_EQ(projectTextFromGbk(""), "");
}

TEST(ParseProjectJson, RefusesWhatIsNotJson) {
    EXPECT_FALSE(parseProjectJson(""));
    EXPECT_FALSE(parseProjectJson("not json"));
    EXPECT_FALSE(parseProjectJson("{\"a\": 1"));
    EXPECT_FALSE(parseProjectJson(std::string(5000, '[')));
}

TEST(ParseProjectJson, LooksUpNamesWithoutCaseAndTakesTheFirstOfAName) {
    const JsonTree tree = parseProjectJson("{\"LOGO_Path\":\"first\",\"logo_path\":\"second\"}");
    ASSERT_TRUE(tree);
    EXPECT_EQ(stringValue(tree, "logo_path"), "first");
}

TEST(ParseProjectJson, IgnoresTextAfterTheValue) {
    const JsonTree tree = parseProjectJson("{\"a\":\"b\"} trailing garbage");
    ASSERT_TRUE(tree);
    EXPECT_EQ(stringValue(tree, "a"), "b");
    // A NUL inside the buffer does not run the parser past the end.
    EXPECT_TRUE(parseProjectJson(std::string("{}\0{", 4)));
}

} // namespace
} // namespace velomira
