// Every hostile reply, chunked body and URL of the fuzz corpora, run through the parsers in
// several piece sizes and both framing modes: results stay within the limits and each ends as a
// success without a text or a failure with one.
#include "net/chunked_body.h"
#include "net/http_head.h"
#include "net/http_reply.h"
#include "net/http_request_head.h"
#include "net/url_parts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velomira {
namespace {

namespace fs = std::filesystem;

std::vector<std::pair<std::string, std::string>> corpus(const std::string& target) {
    std::vector<std::pair<std::string, std::string>> files;
    fs::path folder = fs::path(VELOMIRA_HTTP_CORPUS) / target;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(entry.path().filename().string(),
                           std::string(std::istreambuf_iterator<char>(in), {}));
    }
    return files;
}

TEST(HttpCorpus, EveryReplyEndsCleanly) {
    auto files = corpus("fuzz_http_head");
    ASSERT_GE(files.size(), 20u);
    for (const auto& [name, bytes] : files) {
        if (bytes.empty())
            continue;
        std::string reply = bytes.substr(1); // the first byte is the fuzz target's mode byte
        for (bool keepAlive : {true, false}) {
            for (std::size_t piece : {std::size_t{1}, std::size_t{37}, kHttpBufferSize}) {
                SCOPED_TRACE(name + " piece " + std::to_string(piece) +
                             (keepAlive ? " keep-alive" : " fresh"));
                MemorySource source(reply, piece);
                HttpReply result = readHttpReply(source, "http://h/dir/page", keepAlive);
                EXPECT_LE(result.body.size(), static_cast<std::size_t>(kHttpBodyLimit));
                EXPECT_LT(result.header.size(), kHttpBufferSize);
                if (result.outcome == ReplyOutcome::Success) {
                    EXPECT_TRUE(result.message.empty());
                } else if (result.outcome == ReplyOutcome::Redirect) {
                    EXPECT_FALSE(result.location.empty());
                    EXPECT_LT(result.location.size(), kLocationSize);
                } else {
                    EXPECT_FALSE(result.message.empty());
                    EXPECT_TRUE(result.body.empty());
                }
            }
        }
    }
}

TEST(HttpCorpus, EveryChunkedBodyStaysBounded) {
    auto files = corpus("fuzz_chunked_body");
    ASSERT_GE(files.size(), 10u);
    for (const auto& [name, bytes] : files) {
        if (bytes.empty())
            continue;
        for (std::size_t piece : {std::size_t{1}, std::size_t{3}, kHttpBufferSize}) {
            SCOPED_TRACE(name + " piece " + std::to_string(piece));
            MemorySource source(std::string_view(bytes).substr(1), piece);
            ReceiveBuffer buffer;
            ChunkedBody body = decodeChunkedBody(source, buffer);
            EXPECT_LE(body.body.size(), static_cast<std::size_t>(kHttpBodyLimit));
            EXPECT_EQ(static_cast<std::size_t>(body.readTotal), body.body.size());
            EXPECT_FALSE(body.completed && body.failed);
            EXPECT_EQ(body.failed, !body.message.empty());
        }
    }
}

TEST(HttpCorpus, EveryUrlGivesSaneParts) {
    auto files = corpus("fuzz_url");
    ASSERT_GE(files.size(), 10u);
    for (const auto& [name, text] : files) {
        SCOPED_TRACE(name);
        UrlParts parts;
        if (parseUrl(text, parts)) {
            EXPECT_GE(parts.port, 0);
            EXPECT_LE(parts.port, 65535);
            EXPECT_TRUE(parts.path.starts_with("/"));
            std::string head = buildRequestHead(parts, "", "", true);
            EXPECT_TRUE(head.empty() || head.find("\r\n\r\n") == head.size() - 4);
        }
        EXPECT_LT(resolveLocation(text, "http://h/dir/page").size(), kLocationSize);
    }
}

} // namespace
} // namespace velomira
