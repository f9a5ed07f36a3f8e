#pragma once
// A small blocking HTTP/1.x client: one URL per call, the whole body in memory, "https:" only
// ever over TLS with verified certificates (port 443 unless the URL names one), proxies as
// the config names them, idle keep-alive connections pooled per route, 301/302 followed up to
// a fixed depth (never from "https:" to an address in clear text), chunked bodies decoded,
// bodies capped at 10 MiB, every failure a text naming the failing step. Never throws, never
// shows anything; safe to call from several threads on one client.
#include "net/connection_pool.h"
#include "net/http_client_config.h"
#include "net/http_deadline.h"

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

// Which overall deadline a request gets: a page or list (pageDeadline), or one picture or other
// downloaded file (pictureDeadline).
enum class RequestKind { Page, Picture };

// keepAlive 1: a pooled connection and HTTP/1.1; 0: a fresh connection and HTTP/1.0. depth
// counts redirects (0 for a caller). A failed keep-alive attempt is made once more on a fresh
// connection, within the same deadline. A request still unfinished when its deadline passes
// fails (errorKind 1 before the request was sent, 2 while waiting for the reply) with
// "HTTP 请求未能在 %g 秒内完成，已中止。" and its connection is closed, never pooled. A set
// `stop` is asked at least every kStopPollInterval while the request waits; when it says so,
// the request ends at once with kRequestStoppedText.
HttpResponse httpRequest(HttpClient& client, std::string_view url, std::string_view cookie,
                         std::string_view referer, int keepAlive, int depth = 0,
                         RequestKind kind = RequestKind::Page, StopCheck stop = {});

} // namespace velomira
