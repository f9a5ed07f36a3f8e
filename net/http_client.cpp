#include "net/http_client.h"

#include "net/connection_open.h"
#include "net/connection_send.h"
#include "net/http_reply.h"
#include "net/http_request_head.h"
#include "net/http_text.h"
#include "net/proxy_reply.h"
#include "net/tls_source.h"
#include "net/url_parts.h"

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

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

struct Attempt {
    HttpResponse response;
    bool redirect = false;
    std::string location;
    bool mayRetry = true;
};

// A failure caused by the deadline or a stop: never retried, and its connection is dropped.
Attempt deadlineFailure(int kind, const RequestDeadline& deadline) {
    Attempt result;
    result.response = failure(kind, deadline.stopped() ? std::string(kRequestStoppedText)
                                                       : deadlineFailureText(deadline));
    result.mayRetry = false;
    return result;
}

// An idle pooled connection, else a new one (counted when it is meant for the pool).
Connection obtain(HttpClient& client, const Route& route, bool keepAlive,
                  const RequestDeadline& deadline, Attempt& result) {
    if (keepAlive) {
        Connection idle = client.pool.takeIdle(route.key);
        if (idle.valid())
            return idle;
    }
    // Connecting may take only what is left of the allowance.
    HttpClientConfig config = client.config;
    config.connectTimeout = deadline.cap(config.connectTimeout);
    OpenedConnection opened = openConnection(client.pool.tls(), config, route, deadline);
    if (opened.connection.valid()) {
        if (keepAlive)
            client.pool.countOpened();
        return std::move(opened.connection);
    }
    if (deadline.passed() || deadline.stopped() || opened.wait == WaitOutcome::DeadlinePassed ||
        opened.wait == WaitOutcome::Stopped) {
        result = deadlineFailure(1, deadline);
    } else {
        result.response = failure(1, opened.errorText);
        // A certificate or a proxy does not change its mind a moment later.
        result.mayRetry = !route.secure && route.proxy == nullptr;
    }
    return {};
}

// A proxy's own refusal of a plain request names the proxy, not the server.
void nameProxyRefusal(const Route& route, HttpResponse& response) {
    if (route.proxy != nullptr && (startsWithNoCase(response.header, "HTTP/1.1 407") ||
                                   startsWithNoCase(response.header, "HTTP/1.0 407"))) {
        ProxyReply refusal;
        refusal.verdict = ProxyVerdict::AuthenticationRequired;
        response.message = proxyFailureText(*route.proxy, refusal);
    }
}

Attempt interpret(HttpClient& client, const Route& route, Connection connection, HttpReply reply,
                  int depth) {
    Attempt result;
    HttpResponse& response = result.response;
    response.hasHeader = reply.hasHeader;
    response.header = std::move(reply.header);
    switch (reply.outcome) {
    case ReplyOutcome::Success:
        response.ok = 1;
        response.body = std::move(reply.body);
        response.length = static_cast<int>(response.body.size());
        if (connection.secure()) // a TLS 1.3 session ticket arrives after the handshake
            client.pool.tls().keepSession(route.key, connection.tls.get());
        if (reply.reusable)
            client.pool.give(route.key, std::move(connection));
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
        nameProxyRefusal(route, response);
        break;
    }
    return result;
}

Attempt attempt(HttpClient& client, const Route& route, std::string_view url,
                const std::string& requestHead, bool keepAlive, int depth,
                const RequestDeadline& deadline) {
    if (deadline.passed() || deadline.stopped())
        return deadlineFailure(1, deadline);
    Attempt result;
    Connection connection = obtain(client, route, keepAlive, deadline, result);
    if (!connection.valid())
        return result;
    switch (sendAll(connection, requestHead, deadline, client.config.ioTimeout)) {
    case SendOutcome::Sent:
        break;
    case SendOutcome::Failed:
        result.response = failure(1, "socket send() failed");
        return result;
    case SendOutcome::DeadlinePassed:
    case SendOutcome::Stopped:
        return deadlineFailure(1, deadline);
    }
    SocketSource plain(connection.socket.fd(), &deadline, client.config.ioTimeout);
    TlsSource secure(connection.tls.get(), connection.socket.fd(), &deadline,
                     client.config.ioTimeout);
    ByteSource& source = connection.secure() ? static_cast<ByteSource&>(secure) : plain;
    HttpReply reply = readHttpReply(source, url, keepAlive);
    bool waitedOut =
        plain.deadlinePassed() || plain.stopped() || secure.deadlinePassed() || secure.stopped();
    // Whatever the reply looked like when the time ran out, it is incomplete.
    if (waitedOut && reply.outcome != ReplyOutcome::Success) {
        Attempt late = deadlineFailure(2, deadline);
        late.response.hasHeader = reply.hasHeader;
        late.response.header = std::move(reply.header);
        return late;
    }
    return interpret(client, route, std::move(connection), std::move(reply), depth);
}

// An "https:" address never leads to one in clear text: what it asked to keep private would
// travel unprotected, and a picture could be swapped on the way.
bool isDowngrade(const UrlParts& from, std::string_view location) {
    return from.secure && !startsWithNoCase(location, "https:");
}

HttpResponse request(HttpClient& client, std::string_view url, std::string_view cookie,
                     std::string_view referer, int keepAlive, int depth,
                     const RequestDeadline& deadline) {
    UrlParts parts;
    if (!parseUrl(url, parts))
        return failure(1, "网址不符合规范");
    // A line break would let the caller's text add header lines of its own.
    if (hasLineBreak(cookie) || hasLineBreak(referer))
        return failure(1, "Cookie 或 Referer 含有换行符");
    const Route route = routeFor(client.config, parts);
    parts.port = route.port;
    std::string requestHead = buildRequestHead(parts, cookie, referer, keepAlive != 0);
    if (route.proxy != nullptr && !route.secure && !requestHead.empty())
        requestHead = proxiedRequestHead(requestHead, parts, route.proxy->authorization);
    if (requestHead.empty())
        return failure(1, "HTTP 请求头超过 8192 字节");

    Attempt result = attempt(client, route, url, requestHead, keepAlive != 0, depth, deadline);
    if (result.redirect && isDowngrade(parts, result.location))
        return failure(2, "拒绝从加密的 https 地址跳转到不加密的地址: " + result.location);
    if (result.redirect)
        return request(client, result.location, cookie, referer, 1, depth + 1, deadline);
    if (!result.response.ok && result.mayRetry && keepAlive && depth <= kMaxFollowDepth)
        return request(client, url, cookie, referer, 0, depth, deadline);
    return std::move(result.response);
}

} // namespace

HttpResponse httpRequest(HttpClient& client, std::string_view url, std::string_view cookie,
                         std::string_view referer, int keepAlive, int depth, RequestKind kind,
                         StopCheck stop) {
    RequestDeadline deadline(kind == RequestKind::Picture ? client.config.pictureDeadline
                                                          : client.config.pageDeadline,
                             std::move(stop));
    return request(client, url, cookie, referer, keepAlive, depth, deadline);
}

} // namespace velomira
