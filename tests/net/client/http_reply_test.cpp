// Whole replies read from memory, delivered in pieces of several sizes so every "line is split
// across receives" path runs: head fields, statuses, framing, chunked decoding and limits.
#include "net/chunked_body.h"
#include "net/http_head.h"
#include "net/http_reply.h"

#include <gtest/gtest.h>

#include <string>

namespace velomira {
namespace {

constexpr int kLimit = 10485760;
constexpr std::size_t kPieces[] = {1, 7, 8192};

HttpReply readReply(const std::string& bytes, std::size_t piece, bool keepAlive = true) {
    MemorySource source(bytes, piece);
    return readHttpReply(source, "http://h/dir/page", keepAlive);
}

// The same reply in every piece size must give the same result.
HttpReply readAll(const std::string& bytes, bool keepAlive = true) {
    HttpReply first = readReply(bytes, kPieces[0], keepAlive);
    for (std::size_t piece : kPieces) {
        HttpReply other = readReply(bytes, piece, keepAlive);
        EXPECT_EQ(other.outcome, first.outcome) << "piece " << piece;
        EXPECT_EQ(other.message, first.message) << "piece " << piece;
        EXPECT_EQ(other.body, first.body) << "piece " << piece;
    }
    return first;
}

std::string chunked(const std::string& chunks) {
    return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + chunks;
}

TEST(HttpHeadParse, FieldsByCaseInsensitivePrefix) {
    HttpHead head = parseHttpHead("HTTP/1.1 200 OK\r\ncontent-length: 42\r\n"
                                  "TRANSFER-ENCODING: CHUNKED\r\nConnection: Close\r\n"
                                  "Content-Encoding: br\r\nLocation: /next",
                                  "http://h/a");
    EXPECT_EQ(head.contentLength, 42);
    EXPECT_TRUE(head.lengthAnnounced);
    EXPECT_TRUE(head.isChunked);
    EXPECT_EQ(head.connection, "Close");
    EXPECT_EQ(head.contentEncoding, "br");
    EXPECT_EQ(head.location, "http://h/next");

    HttpHead loose =
        parseHttpHead("HTTP/1.1 200 OK\r\nContent-Length:5\r\n"
                      "Transfer-Encoding: chunked, gzip\r\nConnection: " +
                          std::string(40, 'c') + "\r\nContent-Encoding: " + std::string(40, 'e'),
                      "http://h/");
    EXPECT_FALSE(loose.lengthAnnounced); // the prefix includes the space
    EXPECT_FALSE(loose.isChunked);       // the whole line must match
    EXPECT_EQ(loose.connection, std::string(15, 'c'));
    EXPECT_EQ(loose.contentEncoding, std::string(31, 'e'));

    EXPECT_EQ(parseHttpHead("HTTP/1.1 200\r\nContent-Length: 99999999999", "").contentLength,
              2147483647);
    EXPECT_EQ(parseHttpHead("HTTP/1.1 200\r\nContent-Length: abc", "").contentLength, 0);
}

TEST(HttpReplyStatus, SuccessRedirectNotFoundAndOthers) {
    HttpReply ok = readAll("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_EQ(ok.outcome, ReplyOutcome::Success);
    EXPECT_EQ(ok.body, "abc");
    EXPECT_EQ(ok.header, "HTTP/1.0 200 OK\r\nContent-Length: 3");
    EXPECT_TRUE(ok.reusable);

    HttpReply moved = readAll("http/1.1 302 Found\r\nLocation: other\r\n\r\n");
    EXPECT_EQ(moved.outcome, ReplyOutcome::Redirect);
    EXPECT_EQ(moved.location, "http://h/dir/other");

    EXPECT_EQ(readAll("HTTP/1.0 404 Nope\r\n\r\n").message, "404 Not Found - 文件不存在");
    // The status text shows what the receives brought, so these use one whole receive.
    EXPECT_EQ(readReply("HTTP/2 200 OK\r\n\r\nbody", 8192).message,
              "返回错误的http状态码:\nHTTP/2 200 OK\r\n\r\nbody");
    // A redirect whose target is too long to keep is refused, never cut and followed.
    HttpReply longRedirect =
        readReply("HTTP/1.1 301 Moved\r\nLocation: /" + std::string(2000, 'L') + "\r\n\r\n", 8192);
    EXPECT_EQ(longRedirect.outcome, ReplyOutcome::Failure);
    EXPECT_EQ(longRedirect.message.size(), std::string("返回错误的http状态码:\n").size() + 512);
    // The shown text stops at a NUL like the printed original.
    EXPECT_EQ(readReply(std::string("HTTP/1.1 500 x\0yz\r\n\r\n", 21), 8192).message,
              "返回错误的http状态码:\nHTTP/1.1 500 x");
}

TEST(HttpReplyStatus, InterimRepliesAreSkippedButNotForever) {
    HttpReply after = readAll("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n"
                              "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nz");
    EXPECT_EQ(after.body, "z");
    EXPECT_EQ(after.header, "HTTP/1.1 200 OK\r\nContent-Length: 1");
    std::string endless;
    for (int i = 0; i < 20; ++i)
        endless += "HTTP/1.1 100 Continue\r\n\r\n";
    HttpReply refused = readReply(endless, 8192);
    EXPECT_EQ(refused.outcome, ReplyOutcome::Failure);
    EXPECT_TRUE(refused.message.starts_with("返回错误的http状态码:\nHTTP/1.1 100 Continue"));
}

TEST(HttpReplyHead, TooLargeClosedAndHasHeader) {
    std::string headLimit = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nX: ";
    std::string fits = headLimit + std::string(8192 - headLimit.size() - 4, 'x') + "\r\n\r\n";
    EXPECT_EQ(readAll(fits).outcome, ReplyOutcome::Success);
    std::string over = headLimit + std::string(8192 - headLimit.size() - 3, 'x') + "\r\n\r\n";
    EXPECT_EQ(readAll(over).message, "读取 HTTP_BUFFER_SIZE 字节, 还没有读取完整个 HTTP Head.");
    std::string redirects;
    for (int i = 0; i < 10000; ++i)
        redirects += "Location: /r" + std::to_string(i) + "\r\n";
    EXPECT_EQ(readAll("HTTP/1.1 301 Moved\r\n" + redirects + "\r\n").message,
              "读取 HTTP_BUFFER_SIZE 字节, 还没有读取完整个 HTTP Head.");

    HttpReply oneByte = readAll("H");
    EXPECT_EQ(oneByte.message,
              "(fileSize:未定义, readTotal:0), (header.isChunked:0, isChunkReceiveCompleted:0)");
    EXPECT_FALSE(oneByte.hasHeader);
    EXPECT_EQ(readAll("", false).message, "文件大小:-1, 实际接收到的文件大小:0, ret:0, errno:0");

    HttpReply late = readAll("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc");
    EXPECT_TRUE(late.hasHeader);
    EXPECT_EQ(late.header, "HTTP/1.1 200 OK\r\nContent-Length: 9");
    EXPECT_TRUE(late.body.empty());
}

TEST(HttpReplyLength, KnownLengthLimitsAndLies) {
    EXPECT_EQ(readAll("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n").outcome,
              ReplyOutcome::Success);
    EXPECT_EQ(readAll("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabc").message,
              "header.contentLength: -5, 不是有效的长度");
    EXPECT_EQ(readAll("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nabc", false).message,
              "header.contentLength: -1, 不是有效的长度");
    EXPECT_EQ(readAll("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n").message,
              "header.contentLength: 2147483647, 大于10M");
    // Also refused when chunked: the announced length is checked first.
    EXPECT_EQ(readAll(chunked("").insert(17, "Content-Length: 10485761\r\n")).message,
              "header.contentLength: 10485761, 大于10M");
    EXPECT_EQ(readReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nabc", 8192).message,
              "读取的数据大小:3, http header 返回的 Content-Length:2");
    EXPECT_EQ(readAll("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab", true).message,
              "(fileSize:5, readTotal:2), (header.isChunked:0, isChunkReceiveCompleted:0)");
    EXPECT_EQ(readAll("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab", false).message,
              "文件大小:5, 实际接收到的文件大小:2, ret:0, errno:0");
    HttpReply closing =
        readAll("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nConnection: CLOSE\r\n\r\n1");
    EXPECT_EQ(closing.outcome, ReplyOutcome::Success);
    EXPECT_FALSE(closing.reusable);
    EXPECT_FALSE(readAll("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n1", false).reusable);
}

TEST(HttpReplyLength, ReadToCloseOnlyWithoutKeepAlive) {
    HttpReply fresh = readAll("HTTP/1.0 200 OK\r\n\r\nuntil the end", false);
    EXPECT_EQ(fresh.outcome, ReplyOutcome::Success);
    EXPECT_EQ(fresh.body, "until the end");
    EXPECT_EQ(readAll("HTTP/1.0 200 OK\r\n\r\n", false).message,
              "文件大小:-1, 实际接收到的文件大小:0, ret:0, errno:0");
    EXPECT_EQ(readReply("HTTP/1.1 200 OK\r\n\r\nabc", 8192, true).message,
              "(fileSize:未定义, readTotal:3), (header.isChunked:0, isChunkReceiveCompleted:0)");

    std::string head = "HTTP/1.0 200 OK\r\n\r\n";
    HttpReply exact = readReply(head + std::string(kLimit, 'e'), 8192, false);
    EXPECT_EQ(exact.outcome, ReplyOutcome::Success);
    EXPECT_EQ(exact.body.size(), static_cast<std::size_t>(kLimit));
    HttpReply over = readReply(head + std::string(kLimit + 1, 'e'), 8192, false);
    EXPECT_EQ(over.message, "header.contentLength: -1, readTotal:10485761 > 10M");
}

TEST(ChunkedBodyDecode, SizesExtensionsAndTrailers) {
    HttpReply five = readAll(chunked("5\r\nhello\r\n0\r\n\r\n"));
    EXPECT_EQ(five.outcome, ReplyOutcome::Success);
    EXPECT_EQ(five.body, "hello");
    EXPECT_EQ(five.body.c_str()[5], '\0');
    EXPECT_TRUE(five.reusable);

    EXPECT_EQ(readAll(chunked("0x3\r\nabc\r\n \t2;ext=\"a b\"\r\nde\r\nA\r\n0123456789\r\n"
                              "0;last\r\nTrailer-One: 1\r\nTrailer-Two: 2\r\n\r\n"))
                  .body,
              "abcde0123456789");
    EXPECT_EQ(readAll(chunked("0\r\n\r\n")).body, "");
    // The closing line end after chunk data may be missing; the next size line still reads.
    EXPECT_EQ(readAll(chunked("2\r\nab1\r\nc\r\n0\r\n\r\n")).body, "abc");
    EXPECT_FALSE(readReply(chunked("1\r\nz\r\n0\r\n\r\nJUNK"), 8192).reusable);
}

TEST(ChunkedBodyDecode, HostileSizesAndLimits) {
    EXPECT_EQ(readAll(chunked("ffffffffffffffff\r\nxx")).message,
              "header.isChunked, chunksize:ffffffffffffffff, readTotal:0 > 10M");
    EXPECT_EQ(readAll(chunked("3\r\nabc\r\n" + std::string(40, 'f') + "\r\n")).message,
              "header.isChunked, chunksize:ffffffffffffffff, readTotal:3 > 10M");
    EXPECT_EQ(readAll(chunked("zz\r\n")).message, "不正常: 这里就有问题了, chunksize:-1");
    EXPECT_EQ(readAll(chunked("\r\n")).message, "不正常: 这里就有问题了, chunksize:-1");
    EXPECT_EQ(readAll(chunked(std::string(9000, '1'))).message,
              "读取完 HTTP_BUFFER_SIZE 长度, 也没有找到 chunk 大小行的结束符");
    EXPECT_EQ(readAll(chunked("0\r\nT: " + std::string(9000, 't'))).message,
              "读取完 HTTP_BUFFER_SIZE 长度, 也没有找到 chunk 最后一个结束符");
    EXPECT_EQ(readAll(chunked("0\r\nT: 1\r\n")).message,
              "读取chunk最后的结束符时出错: syCount:6, bufferSize:8186, ret:0, errno:0");
    EXPECT_EQ(readAll(chunked("2\r\nab\r\n")).message,
              "读取失败3: body大小:2, 实际接收到的body大小:2, ret:0, errno:0");
    EXPECT_EQ(readAll(chunked("2\r\nab")).message,
              "读取失败3: body大小:2, 实际接收到的body大小:2, ret:0, errno:0");

    // Cut inside a chunk: no end marker, so no success in either mode.
    EXPECT_EQ(readAll(chunked("5\r\nhel")).message,
              "(fileSize:未定义, readTotal:3), (header.isChunked:1, isChunkReceiveCompleted:0)");
    EXPECT_EQ(readAll(chunked("5\r\nhel"), false).message,
              "文件大小:-1, 实际接收到的文件大小:3, ret:0, errno:0");

    std::string half(kLimit / 2, 'h');
    std::string hex = "500000"; // kLimit / 2
    HttpReply exact = readReply(
        chunked(hex + "\r\n" + half + "\r\n" + hex + "\r\n" + half + "\r\n0\r\n\r\n"), 8192);
    EXPECT_EQ(exact.outcome, ReplyOutcome::Success);
    EXPECT_EQ(exact.body.size(), static_cast<std::size_t>(kLimit));
    HttpReply over = readReply(
        chunked(hex + "\r\n" + half + "\r\n" + hex + "\r\n" + half + "\r\n1\r\nx\r\n0\r\n\r\n"),
        8192);
    EXPECT_EQ(over.message, "header.isChunked, chunksize:1, readTotal:10485760 > 10M");
}

TEST(ChunkedBodyDecode, StopsInsideAChunkWithoutMarker) {
    ReceiveBuffer buffer;
    std::string rest = "4\r\nab";
    MemorySource source(rest, 2);
    ChunkedBody body = decodeChunkedBody(source, buffer);
    EXPECT_FALSE(body.completed);
    EXPECT_FALSE(body.failed);
    EXPECT_EQ(body.body, "ab");
    EXPECT_EQ(body.readTotal, 2);
}

} // namespace
} // namespace velomira
