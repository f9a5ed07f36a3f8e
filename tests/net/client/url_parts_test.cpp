// URL splitting, query encoding and the joining of redirect targets.
#include "net/http_head.h"
#include "net/http_request_head.h"
#include "net/url_parts.h"

#include <gtest/gtest.h>

#include <string>

namespace velomira {
namespace {

struct UrlCase {
    const char* url;
    bool ok;
    const char* host;
    const char* path;
    int port;
};

TEST(ParseUrl, Table) {
    const UrlCase cases[] = {
        {"http://example.com/a/b?c=d", true, "example.com", "/a/b?c=d", 80},
        {"http://example.com", true, "example.com", "/", 80},
        {"https://example.com/x", true, "example.com", "/x", 443},
        {"HTTPS://example.com/x", true, "example.com", "/x", 80}, // only lower-case "https:"
        {"HtTp://h:8080/p", true, "h", "/p", 8080},
        {"//cdn.example.com/i.jpg", true, "cdn.example.com", "/i.jpg", 80},
        {"http://h:/p", true, "h", "/p", 0},
        {"http://:81/p", true, "", "/p", 81},
        {"http://h:65535", true, "h", "/", 65535},
        {"http://h:65536/", false, "", "", 0},
        {"http://h:-1/", false, "", "", 0},
        {"http://h:99999999999999999999/", false, "", "", 0},
        {"ftp://h/", false, "", "", 0},
        {"", false, "", "", 0},
        {"http", false, "", "", 0},
        {"http:/", false, "", "", 0},
        {"www.example.com/x", false, "", "", 0},
        {"http://h/a b\nHost: evil", false, "", "", 0},
        {"http://h/\x7f", false, "", "", 0},
    };
    for (const UrlCase& c : cases) {
        UrlParts parts;
        parts.host = "unchanged";
        EXPECT_EQ(parseUrl(c.url, parts), c.ok) << c.url;
        if (c.ok) {
            EXPECT_EQ(parts.host, c.host) << c.url;
            EXPECT_EQ(parts.path, c.path) << c.url;
            EXPECT_EQ(parts.port, c.port) << c.url;
        } else {
            EXPECT_EQ(parts.host, "unchanged") << c.url;
        }
    }
}

TEST(UrlEncode, KeepsUnreservedAndEncodesTheRest) {
    EXPECT_EQ(urlEncode(""), "");
    EXPECT_EQ(urlEncode("aZ09-._"), "aZ09-._");
    EXPECT_EQ(urlEncode("a b"), "a+b");
    EXPECT_EQ(urlEncode("http://x.com/i?id=1&t=~"), "http%3A%2F%2Fx.com%2Fi%3Fid%3D1%26t%3D%7E");
    EXPECT_EQ(urlEncode("宝"), "%E5%AE%9D");
    EXPECT_EQ(urlEncode(std::string("\0\xff", 2)), "%00%FF");
}

TEST(ResolveLocation, JoinsRelativeValuesToTheRequest) {
    EXPECT_EQ(resolveLocation("http://o/x", "http://h/a"), "http://o/x");
    EXPECT_EQ(resolveLocation("HTTPS://o/x", "http://h/a"), "HTTPS://o/x");
    EXPECT_EQ(resolveLocation("/x", "http://h:81/a/b?q"), "http://h:81/x");
    EXPECT_EQ(resolveLocation("/x", "https://h/a"), "https://h/x");
    EXPECT_EQ(resolveLocation("/x", "http://h"), "http://h/x");
    EXPECT_EQ(resolveLocation("y", "http://h/a/b"), "http://h/a/y");
    EXPECT_EQ(resolveLocation("y", "http://h/"), "http://h/y");
    EXPECT_EQ(resolveLocation("y", "http://h"), "http://h/y");
    EXPECT_EQ(resolveLocation("", "http://h/a"), "");
    // The target must fit the 512-byte field; a longer one is refused rather than cut.
    std::string longest = "http://h/" + std::string(511 - 9, 'p');
    EXPECT_EQ(resolveLocation(longest, "http://h/"), longest);
    EXPECT_EQ(resolveLocation(longest + "p", "http://h/"), "");
    EXPECT_EQ(resolveLocation(std::string(505, 'y'), "http://h/a"), "");
}

TEST(RequestHead, HostLineAndLimit) {
    UrlParts parts{"example.com", "/p", 443};
    std::string head = buildRequestHead(parts, "", "", true);
    EXPECT_EQ(head.substr(0, 22), "GET /p HTTP/1.1\r\nAccep");
    EXPECT_NE(head.find("\r\nHost: example.com\r\nConnection: keep-alive\r\n\r\n"),
              std::string::npos);
    parts.port = 8080;
    EXPECT_NE(buildRequestHead(parts, "", "", false).find("\r\nHost: example.com:8080\r\n"),
              std::string::npos);
    std::string fits = buildRequestHead(parts, "", "", false);
    parts.path += std::string(kRequestHeadLimit - fits.size(), 'x');
    EXPECT_EQ(buildRequestHead(parts, "", "", false).size(), kRequestHeadLimit);
    parts.path += "x";
    EXPECT_EQ(buildRequestHead(parts, "", "", false), "");
}

} // namespace
} // namespace velomira
