#include "net/http_client.h"

#include "net/http_reply.h"
#include "net/http_request_head.h"
#include "net/socket_connect.h"
#include "net/url_parts.h"

#include <sys/socket.h>

#include <cerrno>

namespace velomira {

namespace {

// A redirect is followed only from a request at this depth or less; so is the fresh retry.
constexpr int kMaxFollowDepth = 7;

HttpResponse failure(int kind, std::string message) {
    HttpResponse response;
    response.errorKind = kind;
    response.message = std::move(message);
    return response;
}

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

struct Attempt {
    HttpResponse response;
    bool redirect = false;
    std::string location;
    bool mayRetry = true;
};

Attempt attempt(HttpClient& client, const UrlParts& parts, std::string_view url,
                const std::string& requestHead, bool keepAlive, int depth) {
    Attempt result;
    std::string errorText;
    Socket socket = keepAlive
                        ? client.pool.take(parts.host, parts.port, client.config, errorText)
                        : connectWithTimeout(parts.host, parts.port, client.config, errorText);
    if (!socket.valid()) {
        result.response = failure(1, errorText);
        return result;
    }
    if (!sendAll(socket.fd(), requestHead)) {
        result.response = failure(1, "socket send() failed");
        return result;
    }
    SocketSource source(socket.fd());
    HttpReply reply = readHttpReply(source, url, keepAlive);
    HttpResponse& response = result.response;
    response.hasHeader = reply.hasHeader;
    response.header = std::move(reply.header);
    switch (reply.outcome) {
    case ReplyOutcome::Success:
        response.ok = 1;
        response.body = std::move(reply.body);
        response.length = static_cast<int>(response.body.size());
        if (reply.reusable)
            client.pool.give(parts.host, parts.port, std::move(socket));
        break;
    case ReplyOutcome::Redirect:
        if (depth > kMaxFollowDepth) {
            response.errorKind = 2;
            response.message = "HTTP连继跳转已超过允许的次数。";
            result.mayRetry = false;
        } else {
            result.redirect = true;
            result.location = std::move(reply.location);
        }
        break;
    case ReplyOutcome::Failure:
        response.errorKind = 2;
        response.message = std::move(reply.message);
        break;
    }
    return result;
}

} // namespace

HttpResponse httpRequest(HttpClient& client, std::string_view url, std::string_view cookie,
                         std::string_view referer, int keepAlive, int depth) {
    UrlParts parts;
    if (!parseUrl(url, parts))
        return failure(1, "网址不符合规范");
    if (parts.port == 443)
        parts.port = 80;
    // A line break would let the caller's text add header lines of its own.
    if (hasLineBreak(cookie) || hasLineBreak(referer))
        return failure(1, "Cookie 或 Referer 含有换行符");
    std::string requestHead = buildRequestHead(parts, cookie, referer, keepAlive != 0);
    if (requestHead.empty())
        return failure(1, "HTTP 请求头超过 8192 字节");

    Attempt result = attempt(client, parts, url, requestHead, keepAlive != 0, depth);
    if (result.redirect)
        return httpRequest(client, result.location, cookie, referer, 1, depth + 1);
    if (!result.response.ok && result.mayRetry && keepAlive && depth <= kMaxFollowDepth)
        return httpRequest(client, url, cookie, referer, 0, depth);
    return std::move(result.response);
}

} // namespace velomira
