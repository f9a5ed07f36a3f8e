#include "app/string_utils.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velomira {
namespace {

TEST(TrimSpace, RemovesTabsLineBreaksAndSpacesOnly) {
    char text[] = " \t\r\n value with  inner \n\r\t ";
    char* trimmed = trimSpace(text);
    EXPECT_STREQ(trimmed, "value with  inner");
    EXPECT_EQ(text[sizeof text - 2], '\0'); // trailing run overwritten in place

    char controls[] = "\v\fkeep\v";
    EXPECT_STREQ(trimSpace(controls), "\v\fkeep\v");

    char blanks[] = " \t\r\n ";
    EXPECT_STREQ(trimSpace(blanks), "");
    char empty[] = "";
    EXPECT_EQ(trimSpace(empty), empty);
    EXPECT_EQ(trimSpace(nullptr), nullptr);
}

TEST(Trimmed, DropsTheBlanksAtBothEndsOnly) {
    const struct {
        std::string_view text;
        std::string_view blanks;
        std::string_view expected;
    } cases[] = {
        {" \t\r\n value with  inner \n\r\t ", " \t\r\n", "value with  inner"},
        {"\v\fkeep\v", " \t\r\n", "\v\fkeep\v"}, // other controls stay by default
        {"\v\f keep \v", " \t\r\n\v\f", "keep"},
        {" \t\r\n ", " \t\r\n", ""},
        {"", " \t\r\n", ""},
        {"x", " \t\r\n", "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trimmed(c.text, c.blanks), c.expected) << c.text;
    EXPECT_EQ(trimmed("  default blanks\t\n"), "default blanks");
}

TEST(FormatText, PrintsIntoAStringOfTheExactLength) {
    EXPECT_EQ(formatText("%s %d/%0.2f", "张", 7, 2.5), "张 7/2.50");
    EXPECT_EQ(formatText("%s", ""), "");
    const std::string wide(5000, 'w');
    EXPECT_EQ(formatText("<%s>", wide.c_str()), "<" + wide + ">");
}

TEST(PrefixAndSuffix, CompareBytesWithOrWithoutCase) {
    EXPECT_EQ(startsWith("Content-Length: 5", "Content-Length:"), 1);
    EXPECT_EQ(startsWith("content-length: 5", "Content-Length:"), 0);
    EXPECT_EQ(startsWithNoCase("content-length: 5", "Content-Length:"), 1);
    EXPECT_EQ(startsWith("ab", "abc"), 0);
    EXPECT_EQ(startsWithNoCase("AB", "abc"), 0);

    EXPECT_EQ(endsWithNoCase("PHOTO.JPG", ".jpg"), 1);
    EXPECT_EQ(endsWith("PHOTO.JPG", ".jpg"), 0);
    EXPECT_EQ(endsWith("photo.jpg", ".jpg"), 1);
    EXPECT_EQ(endsWithNoCase("C:\\x\\WMPlayer.exe", "wmplayer.exe"), 1);
    EXPECT_EQ(endsWith(".jpg", "a.jpg"), 0);
    EXPECT_EQ(endsWithNoCase("jpg", ".jpg"), 0);

    // An empty pattern matches only an empty subject.
    EXPECT_EQ(startsWith("abc", ""), 0);
    EXPECT_EQ(startsWith("", ""), 1);
    EXPECT_EQ(startsWithNoCase("abc", ""), 0);
    EXPECT_EQ(startsWithNoCase("", ""), 1);
    EXPECT_EQ(endsWith("abc", ""), 0);
    EXPECT_EQ(endsWith("", ""), 1);
    EXPECT_EQ(endsWithNoCase("abc", ""), 0);
    EXPECT_EQ(endsWithNoCase("", ""), 1);

    EXPECT_EQ(startsWith(nullptr, "a"), 0);
    EXPECT_EQ(endsWithNoCase("a", nullptr), 0);
}

TEST(FindNoCase, MatchesLettersOfEitherCase) {
    const char* header = "text/html; CHARSET=gbk";
    EXPECT_EQ(findNoCase(header, "charset="), header + 11);
    EXPECT_EQ(findNoCase(header, "utf-8"), nullptr);
    EXPECT_EQ(findNoCase(header, ""), header);
    EXPECT_EQ(findNoCase("abc", "abcd"), nullptr);
    EXPECT_STREQ(findNoCase("aaab", "AAB"), "aab");
    EXPECT_EQ(findNoCase(static_cast<const char*>(nullptr), "a"), nullptr);

    char writable[] = "Location: x";
    char* found = findNoCase(writable, "LOCATION");
    EXPECT_EQ(found, writable);
}

std::vector<std::string> walkString(char* text, const char* delimiter) {
    std::vector<std::string> tokens;
    char* cursor = text;
    while (char* token = splitAtString(&cursor, delimiter))
        tokens.emplace_back(token);
    return tokens;
}

std::vector<std::string> walkChars(char* text, const char* delimiters) {
    std::vector<std::string> tokens;
    char* cursor = text;
    while (char* token = splitAtChars(&cursor, delimiters))
        tokens.emplace_back(token);
    return tokens;
}

TEST(Split, WalksHeaderLinesAndFields) {
    char head[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html";
    char* cursor = head;
    EXPECT_STREQ(splitAtString(&cursor, "\r\n"), "HTTP/1.1 200 OK");
    EXPECT_STREQ(splitAtString(&cursor, "\r\n"), "Content-Type: text/html");
    EXPECT_EQ(cursor, nullptr);
    EXPECT_EQ(splitAtString(&cursor, "\r\n"), nullptr);
    EXPECT_EQ(splitAtString(nullptr, "\r\n"), nullptr);

    char trailing[] = "a\r\n\r\n";
    EXPECT_EQ(walkString(trailing, "\r\n"), (std::vector<std::string>{"a", "", ""}));

    // An empty delimiter must not stall the walk.
    char whole[] = "abc";
    EXPECT_EQ(walkString(whole, ""), (std::vector<std::string>{"abc"}));

    char list[] = "http://a/x.mp3|1234|x.mp3\nhttp://b/y.mp3;9";
    EXPECT_EQ(walkChars(list, "|\n;"),
              (std::vector<std::string>{"http://a/x.mp3", "1234", "x.mp3", "http://b/y.mp3", "9"}));
    char adjacent[] = "a||b|";
    EXPECT_EQ(walkChars(adjacent, "|"), (std::vector<std::string>{"a", "", "b", ""}));
    char none[] = "abc";
    EXPECT_EQ(walkChars(none, ""), (std::vector<std::string>{"abc"}));
    char* nullCursor = nullptr;
    EXPECT_EQ(splitAtChars(&nullCursor, "|"), nullptr);
}

} // namespace
} // namespace velomira
