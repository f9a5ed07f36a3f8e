#pragma once
// A small blocking HTTP/1.x client: one URL per call, the whole body in memory, plain HTTP only
// ("https:" goes to port 80), idle keep-alive connections pooled per host and port, 301/302
// followed up to a fixed depth, chunked bodies decoded, bodies capped at 10 MiB, every failure
// a text naming the failing step. Never throws, never shows anything; safe to call from several
// threads on one client.
#include "net/connection_pool.h"
#include "net/http_client_config.h"

#include <string>
#include <string_view>

namespace velomira {

struct HttpResponse {
    int ok = 0;
    bool hasHeader = false; // a head was read (also on later failure)
    std::string header;     // status line and header lines, without the final blank line
    std::string body;       // on success (std::string keeps a NUL after it anyway)
    int length = 0;
    int errorKind = 0;   // 0 ok, 1 before anything was received, 2 in the reply
    std::string message; // failure text
};

struct HttpClient {
    HttpClientConfig config;
    ConnectionPool pool;
};

// keepAlive 1: a pooled connection and HTTP/1.1; 0: a fresh connection and HTTP/1.0. depth
// counts redirects (0 for a caller). A failed keep-alive attempt is made once more on a fresh
// connection.
HttpResponse httpRequest(HttpClient& client, std::string_view url, std::string_view cookie,
                         std::string_view referer, int keepAlive, int depth = 0);

} // namespace velomira
