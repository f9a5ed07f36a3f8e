#include "net/http_client.h"

#include "net/http_reply.h"
#include "net/http_request_head.h"
#include "net/socket_connect.h"
#include "net/url_parts.h"

#include <poll.h>
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

enum class SendOutcome { Sent, Failed, DeadlinePassed };

SendOutcome sendAll(int fd, std::string_view bytes, const RequestDeadline& deadline,
                    std::chrono::milliseconds ioTimeout) {
    while (!bytes.empty()) {
        if (deadline.passed())
            return SendOutcome::DeadlinePassed;
        pollfd watch{fd, POLLOUT, 0};
        int ready = ::poll(&watch, 1, static_cast<int>(deadline.cap(ioTimeout).count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0 && deadline.passed())
            return SendOutcome::DeadlinePassed;
        if (ready <= 0)
            return SendOutcome::Failed;
        ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return SendOutcome::Failed;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return SendOutcome::Sent;
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

// A failure caused by the deadline: never retried, and its connection is dropped.
Attempt deadlineFailure(int kind, const RequestDeadline& deadline) {
    Attempt result;
    result.response = failure(kind, deadlineFailureText(deadline));
    result.mayRetry = false;
    return result;
}

Attempt attempt(HttpClient& client, const UrlParts& parts, std::string_view url,
                const std::string& requestHead, bool keepAlive, int depth,
                const RequestDeadline& deadline) {
    if (deadline.passed())
        return deadlineFailure(1, deadline);
    Attempt result;
    std::string errorText;
    // Connecting may take only what is left of the allowance.
    HttpClientConfig config = client.config;
    config.connectTimeout = deadline.cap(config.connectTimeout);
    Socket socket = keepAlive ? client.pool.take(parts.host, parts.port, config, errorText)
                              : connectWithTimeout(parts.host, parts.port, config, errorText);
    if (!socket.valid()) {
        if (deadline.passed())
            return deadlineFailure(1, deadline);
        result.response = failure(1, errorText);
        return result;
    }
    switch (sendAll(socket.fd(), requestHead, deadline, client.config.ioTimeout)) {
    case SendOutcome::Sent:
        break;
    case SendOutcome::Failed:
        result.response = failure(1, "socket send() failed");
        return result;
    case SendOutcome::DeadlinePassed:
        return deadlineFailure(1, deadline);
    }
    SocketSource source(socket.fd(), &deadline, client.config.ioTimeout);
    HttpReply reply = readHttpReply(source, url, keepAlive);
    // Whatever the reply looked like when the time ran out, it is incomplete.
    if (source.deadlinePassed() && reply.outcome != ReplyOutcome::Success) {
        Attempt late = deadlineFailure(2, deadline);
        late.response.hasHeader = reply.hasHeader;
        late.response.header = std::move(reply.header);
        return late;
    }
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

HttpResponse request(HttpClient& client, std::string_view url, std::string_view cookie,
                     std::string_view referer, int keepAlive, int depth,
                     const RequestDeadline& deadline) {
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

    Attempt result = attempt(client, parts, url, requestHead, keepAlive != 0, depth, deadline);
    if (result.redirect)
        return request(client, result.location, cookie, referer, 1, depth + 1, deadline);
    if (!result.response.ok && result.mayRetry && keepAlive && depth <= kMaxFollowDepth)
        return request(client, url, cookie, referer, 0, depth, deadline);
    return std::move(result.response);
}

} // namespace

HttpResponse httpRequest(HttpClient& client, std::string_view url, std::string_view cookie,
                         std::string_view referer, int keepAlive, int depth, RequestKind kind) {
    RequestDeadline deadline(kind == RequestKind::Picture ? client.config.pictureDeadline
                                                          : client.config.pageDeadline);
    return request(client, url, cookie, referer, keepAlive, depth, deadline);
}

} // namespace velomira
