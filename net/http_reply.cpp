#include "net/http_reply.h"

#include "net/chunked_body.h"
#include "net/http_head.h"
#include "net/http_text.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace velomira {

namespace {

// A server that keeps sending interim replies is not making progress.
constexpr int kMaxInterimReplies = 8;

struct Framing {
    int contentLength = -1;
    bool lengthAnnounced = false;
    bool isChunked = false;
    bool completed = false; // chunked end marker seen
    int readTotal = 0;
    long lastResult = 0;
    int lastError = 0;
};

HttpReply failed(HttpReply reply, std::string message) {
    reply.outcome = ReplyOutcome::Failure;
    reply.message = std::move(message);
    reply.body.clear();
    reply.reusable = false;
    return reply;
}

// The text for a body that did not arrive whole.
std::string incompleteText(const Framing& framing, bool keepAlive) {
    if (!keepAlive)
        return formatText("文件大小:%ld, 实际接收到的文件大小:%d, ret:%d, errno:%d",
                          static_cast<long>(framing.contentLength), framing.readTotal,
                          static_cast<int>(framing.lastResult), framing.lastError);
    if (framing.lengthAnnounced)
        return formatText("(fileSize:%u, readTotal:%d), (header.isChunked:%d, "
                          "isChunkReceiveCompleted:%d)",
                          static_cast<unsigned>(framing.contentLength), framing.readTotal,
                          framing.isChunked ? 1 : 0, framing.completed ? 1 : 0);
    return formatText("(fileSize:未定义, readTotal:%d), (header.isChunked:%d, "
                      "isChunkReceiveCompleted:%d)",
                      framing.readTotal, framing.isChunked ? 1 : 0, framing.completed ? 1 : 0);
}

bool isStatus(std::string_view received, std::initializer_list<std::string_view> prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](std::string_view prefix) { return startsWithNoCase(received, prefix); });
}

std::string badStatusText(std::string_view received) {
    std::string_view shown = received.substr(0, 512);
    shown = shown.substr(0, shown.find('\0'));
    return "返回错误的http状态码:\n" + std::string(shown);
}

// Exactly contentLength bytes: those already in the buffer, then straight into the body.
void readKnownLength(ByteSource& source, ReceiveBuffer& buffer, Framing& framing,
                     std::string& body) {
    std::size_t wanted = static_cast<std::size_t>(framing.contentLength);
    body.resize(wanted);
    std::size_t got = buffer.size;
    std::memcpy(body.data(), buffer.view().data(), got);
    buffer.drop(got);
    while (got < wanted) {
        long n = source.receive(body.data() + got, wanted - got);
        framing.lastResult = n;
        framing.lastError = n < 0 ? source.error() : 0;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    body.resize(got);
    framing.readTotal = static_cast<int>(got);
}

// No length and not chunked: the body runs to the close. False when over the limit.
bool readToClose(ByteSource& source, ReceiveBuffer& buffer, Framing& framing, std::string& body) {
    body.assign(buffer.view());
    buffer.drop(buffer.size);
    for (;;) {
        if (body.size() > static_cast<std::size_t>(kHttpBodyLimit))
            return false;
        std::size_t start = body.size();
        body.resize(start + kHttpBufferSize);
        long n = source.receive(body.data() + start, kHttpBufferSize);
        framing.lastResult = n;
        framing.lastError = n < 0 ? source.error() : 0;
        body.resize(start + (n > 0 ? static_cast<std::size_t>(n) : 0));
        framing.readTotal = static_cast<int>(std::min(body.size(), std::size_t{INT32_MAX}));
        if (n <= 0)
            return true;
    }
}

// The final head, past at most kMaxInterimReplies "100 Continue" heads; the failure text when
// none came whole. `read` tells where the final head ends in the buffer.
std::optional<std::string> readFinalHead(ByteSource& source, ReceiveBuffer& buffer,
                                         std::string_view requestUrl, bool keepAlive,
                                         HttpReply& reply, HttpHead& head, HeadRead& read) {
    for (int interim = 0;; ++interim) {
        read = readHttpHead(source, buffer);
        if (read.status == HeadStatus::TooLarge)
            return "读取 HTTP_BUFFER_SIZE 字节, 还没有读取完整个 HTTP Head.";
        if (read.status == HeadStatus::Closed) {
            Framing none;
            none.lastResult = read.lastResult;
            none.lastError = read.lastError;
            return incompleteText(none, keepAlive);
        }
        reply.hasHeader = true;
        reply.header = std::string(buffer.view().substr(0, read.headLength));
        head = parseHttpHead(reply.header, requestUrl);
        if (!startsWithNoCase(buffer.view(), "HTTP/1.1 100 Continue") ||
            interim >= kMaxInterimReplies)
            return std::nullopt;
        // Only the interim head goes: the real reply may have come in the same receive.
        buffer.drop(read.headLength + 4);
    }
}

// Why a final head that is no redirect gets no body read; nothing when its body follows.
std::optional<std::string> headRefusal(std::string_view received, const HttpHead& head) {
    if (isStatus(received, {"HTTP/1.0 404", "HTTP/1.1 404"}))
        return "404 Not Found - 文件不存在";
    if (!isStatus(received, {"HTTP/1.1 200", "HTTP/1.0 200"}))
        return badStatusText(received);
    if (!head.contentEncoding.empty())
        return "暂不支持处理 header.contentEncoding:" + head.contentEncoding;
    if (head.lengthAnnounced && head.contentLength > kHttpBodyLimit)
        return formatText("header.contentLength: %u, 大于10M",
                          static_cast<unsigned>(head.contentLength));
    if (head.lengthAnnounced && head.contentLength < 0)
        return formatText("header.contentLength: %d, 不是有效的长度", head.contentLength);
    return std::nullopt;
}

// The body as the head frames it, into `body`; the failure text when it did not come whole.
// `leftover`: bytes beyond the body arrived, so the connection cannot be used again.
std::optional<std::string> readBody(ByteSource& source, ReceiveBuffer& buffer, const HttpHead& head,
                                    bool keepAlive, std::string& body, bool& leftover) {
    Framing framing;
    framing.contentLength = head.lengthAnnounced ? head.contentLength : -1;
    framing.lengthAnnounced = head.lengthAnnounced;
    framing.isChunked = head.isChunked;
    bool complete = false;
    if (head.isChunked) {
        ChunkedBody chunked = decodeChunkedBody(source, buffer);
        if (chunked.failed)
            return chunked.message;
        framing.completed = chunked.completed;
        framing.readTotal = chunked.readTotal;
        framing.lastResult = chunked.lastResult;
        framing.lastError = chunked.lastError;
        body = std::move(chunked.body);
        leftover = chunked.leftover;
        complete = chunked.completed;
    } else if (head.lengthAnnounced) {
        if (buffer.size > static_cast<std::size_t>(head.contentLength))
            return formatText("读取的数据大小:%d, http header 返回的 Content-Length:%d",
                              static_cast<int>(buffer.size), head.contentLength);
        readKnownLength(source, buffer, framing, body);
        complete = framing.readTotal == framing.contentLength;
    } else if (keepAlive) {
        // A pooled request needs a length: waiting for a close the server will not send would
        // only end in the time-out and the same failure.
        framing.readTotal = static_cast<int>(buffer.size);
    } else {
        if (!readToClose(source, buffer, framing, body))
            return formatText("header.contentLength: %d, readTotal:%d > 10M", -1,
                              framing.readTotal);
        // Only a clean close ends such a body; a failed receive may have cut it.
        complete = framing.readTotal > 0 && framing.lastResult == 0;
    }
    if (!complete)
        return incompleteText(framing, keepAlive);
    return std::nullopt;
}

} // namespace

HttpReply readHttpReply(ByteSource& source, std::string_view requestUrl, bool keepAlive) {
    HttpReply reply;
    ReceiveBuffer buffer;
    HttpHead head;
    HeadRead read;
    if (auto failure = readFinalHead(source, buffer, requestUrl, keepAlive, reply, head, read))
        return failed(std::move(reply), std::move(*failure));

    std::string_view received = buffer.view();
    if (isStatus(received, {"HTTP/1.0 301", "HTTP/1.1 301", "HTTP/1.0 302", "HTTP/1.1 302"}) &&
        !head.location.empty()) {
        reply.outcome = ReplyOutcome::Redirect;
        reply.location = head.location;
        return reply;
    }
    if (auto refusal = headRefusal(received, head))
        return failed(std::move(reply), std::move(*refusal));

    buffer.drop(read.headLength + 4);
    bool leftover = false;
    if (auto failure = readBody(source, buffer, head, keepAlive, reply.body, leftover))
        return failed(std::move(reply), std::move(*failure));
    reply.outcome = ReplyOutcome::Success;
    reply.reusable = keepAlive && !leftover && !equalsNoCase(head.connection, "close");
    return reply;
}

} // namespace velomira
