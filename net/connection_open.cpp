#include "net/connection_open.h"

#include "net/connection_pool.h"
#include "net/connection_send.h"
#include "net/proxy_reply.h"
#include "net/socket_connect.h"
#include "net/tls_handshake.h"

namespace velomira {

namespace {

// Asks the proxy for a tunnel to the route's host; empty text when it is open.
std::string openTunnel(Connection& connection, const Route& route, const RequestDeadline& deadline,
                       std::chrono::milliseconds ioTimeout, WaitOutcome& wait) {
    const ProxyAddress& proxy = *route.proxy;
    switch (
        sendAll(connection, connectRequest(route.host, route.port, proxy), deadline, ioTimeout)) {
    case SendOutcome::Sent:
        break;
    // Any text will do for these two: the caller words them as the deadline or the stop.
    case SendOutcome::DeadlinePassed:
        wait = WaitOutcome::DeadlinePassed;
        return kRequestStoppedText;
    case SendOutcome::Stopped:
        wait = WaitOutcome::Stopped;
        return kRequestStoppedText;
    case SendOutcome::Failed:
        return "代理服务器 " + proxy.shownName() + " 关闭了连接";
    }
    SocketSource source(connection.socket.fd(), &deadline, ioTimeout);
    ProxyReply reply = readProxyReply(source);
    if (source.deadlinePassed())
        wait = WaitOutcome::DeadlinePassed;
    else if (source.stopped())
        wait = WaitOutcome::Stopped;
    if (reply.verdict == ProxyVerdict::Open && wait == WaitOutcome::Ready)
        return {};
    return wait != WaitOutcome::Ready ? kRequestStoppedText : proxyFailureText(proxy, reply);
}

} // namespace

Route routeFor(const HttpClientConfig& config, const UrlParts& parts) {
    Route route;
    route.host = parts.host;
    route.secure = parts.secure;
    route.port = parts.secure && !parts.portGiven ? 443 : parts.port;
    route.proxy = proxyFor(config.proxy, route.secure, route.host);
    route.key = poolKey(route.host, route.port, route.secure);
    if (route.proxy != nullptr)
        route.key += " via " + route.proxy->shownName();
    return route;
}

OpenedConnection openConnection(TlsContext& tls, const HttpClientConfig& config, const Route& route,
                                const RequestDeadline& deadline) {
    OpenedConnection opened;
    const std::string& host = route.proxy ? route.proxy->host : route.host;
    int port = route.proxy ? route.proxy->port : route.port;
    std::string errorText;
    opened.connection.socket = connectWithTimeout(host, port, config, errorText, &deadline);
    if (!opened.connection.valid()) {
        opened.wait = deadline.stopped() ? WaitOutcome::Stopped : WaitOutcome::Ready;
        opened.errorText = route.proxy
                               ? "无法连接代理服务器 " + route.proxy->shownName() + ": " + errorText
                               : errorText;
        return opened;
    }
    if (route.proxy != nullptr && route.secure) {
        opened.errorText =
            openTunnel(opened.connection, route, deadline, config.ioTimeout, opened.wait);
        if (!opened.errorText.empty()) {
            opened.connection = {};
            return opened;
        }
    }
    if (route.secure) {
        TlsStart start =
            startTls(tls, opened.connection, route.host, route.key, deadline, config.ioTimeout);
        opened.wait = start.wait;
        opened.errorText = std::move(start.errorText);
        if (!opened.connection.secure())
            opened.connection = {};
    }
    return opened;
}

} // namespace velomira
