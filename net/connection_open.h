#pragma once
// Opening the connection one request travels over: straight to the host or to its proxy, a
// CONNECT tunnel through the proxy for "https:", then TLS. Every wait is bounded by the
// request's deadline and stop check; each failure is a text naming its step (and the proxy,
// never its credentials).
#include "net/connection.h"
#include "net/http_client_config.h"
#include "net/http_deadline.h"
#include "net/proxy_settings.h"
#include "net/socket_wait.h"
#include "net/tls_context.h"
#include "net/url_parts.h"

#include <string>

namespace velomira {

// Where a request's connection goes, and the pool key of such connections.
struct Route {
    std::string host; // the server's name, as in the URL
    int port = 80;
    bool secure = false;
    const ProxyAddress* proxy = nullptr; // points into the client's settings
    std::string key;
};

Route routeFor(const HttpClientConfig& config, const UrlParts& parts);

struct OpenedConnection {
    Connection connection;
    WaitOutcome wait = WaitOutcome::Ready; // DeadlinePassed or Stopped: the caller's text
    std::string errorText;                 // otherwise, on failure
};

OpenedConnection openConnection(TlsContext& tls, const HttpClientConfig& config, const Route& route,
                                const RequestDeadline& deadline);

} // namespace velomira
