// The client against the scripted server on real sockets: pooling and the fresh retry,
// redirects, framing, limits, time-outs and the exact request bytes.
#include "net/http_client.h"
#include "support/http_test_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace velomira {
namespace {

using test::HttpTestServer;
using test::okReply;
using test::ReceivedRequest;
using test::ReplyPiece;
using test::ScriptedReply;
using test::statusReply;
using namespace std::chrono_literals;

constexpr int kLimit = 10485760;

HttpClientConfig quickConfig(std::chrono::milliseconds io = 2000ms) {
    HttpClientConfig config;
    config.connectTimeout = 2000ms;
    config.ioTimeout = io;
    return config;
}

ScriptedReply raw(std::string bytes, bool closeAfter = false) {
    ScriptedReply reply;
    reply.pieces.push_back({std::move(bytes), 0ms});
    reply.closeAfter = closeAfter;
    return reply;
}

bool isHttp10(const ReceivedRequest& request) {
    return request.head.find(" HTTP/1.0\r\n") != std::string::npos;
}

TEST(HttpClientRequestBytes, KeepAliveAndFreshHeadsAreExact) {
    HttpTestServer server([](const ReceivedRequest&) { return okReply("x"); });
    HttpClient client{quickConfig(), {}};
    std::string host = "127.0.0.1:" + std::to_string(server.port());
    const std::string agent = "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like "
                              "Gecko) Chrome/92.0.4515.131 Safari/537.36";

    HttpResponse first = httpRequest(client, server.url("/a/b?q=1&r=%20"), "k=v; s=t",
                                     "http://shop.example/item", 1);
    HttpResponse second = httpRequest(client, server.url("/plain"), "", "", 0);
    ASSERT_EQ(first.ok, 1) << first.message;
    ASSERT_EQ(second.ok, 1) << second.message;

    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].head, "GET /a/b?q=1&r=%20 HTTP/1.1\r\nAccept: */*\r\n"
                                "Accept-Language: zh-cn\r\nUser-Agent: " +
                                    agent + "\r\nHost: " + host +
                                    "\r\nReferer: http://shop.example/item\r\n"
                                    "Connection: keep-alive\r\nCookie: k=v; s=t");
    EXPECT_EQ(requests[1].head, "GET /plain HTTP/1.0\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
                                "User-Agent: " +
                                    agent + "\r\nHost: " + host + "\r\nConnection: close");
    EXPECT_EQ(requests[0].head.find("Accept-Encoding"), std::string::npos);
}

TEST(HttpClientRequestBytes, BareHostIsAskedForRoot) {
    HttpTestServer server([](const ReceivedRequest&) { return okReply("root"); });
    HttpClient client{quickConfig(), {}};
    HttpResponse response =
        httpRequest(client, "http://127.0.0.1:" + std::to_string(server.port()), "", "", 1);
    ASSERT_EQ(response.ok, 1) << response.message;
    EXPECT_EQ(server.requests().at(0).target, "/");
}

TEST(HttpClientRequestBytes, HttpsSchemeIsNeverPlainHttp) {
    // "https://127.0.0.1/" means port 443, never 80: where nothing listens on 443 the attempt is
    // refused there, and a listener on port 80 would see nothing.
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(443);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool port443Busy = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    HttpClient client{quickConfig(), {}};
    if (!port443Busy) {
        HttpResponse response = httpRequest(client, "https://127.0.0.1/x", "", "", 1);
        EXPECT_EQ(response.ok, 0);
        EXPECT_EQ(response.errorKind, 1);
        EXPECT_EQ(response.message, "使用非阻塞方式连接发生错误，错误码:111（连接被拒绝）");
    }

    // With an explicit port a plain HTTP server there gets a TLS handshake, never a request:
    // the secret in the address stays unread, and the fetch fails.
    HttpTestServer server([](const ReceivedRequest&) { return okReply("s"); });
    for (const char* scheme : {"https", "HTTPS"}) {
        std::string url =
            std::string(scheme) + "://127.0.0.1:" + std::to_string(server.port()) + "/s?token=1";
        HttpResponse response = httpRequest(client, url, "", "", 1);
        EXPECT_EQ(response.ok, 0) << scheme;
        EXPECT_TRUE(server.requests().empty()) << scheme;
    }
}

TEST(HttpClientPool, ReusesOneConnectionAndRetriesWhenTheServerClosedIt) {
    HttpTestServer server([](const ReceivedRequest& r) { return okReply("body" + r.target); });
    HttpClient client{quickConfig(), {}};
    for (int i = 0; i < 3; ++i) {
        HttpResponse response = httpRequest(client, server.url("/" + std::to_string(i)), "", "", 1);
        ASSERT_EQ(response.ok, 1) << response.message;
        EXPECT_EQ(response.body, "body/" + std::to_string(i));
        EXPECT_EQ(response.length, 6);
    }
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(client.pool.openedCount(), 1);
    EXPECT_EQ(client.pool.idleCount(), 1u);

    server.closeAllConnections();
    HttpResponse after = httpRequest(client, server.url("/again"), "", "", 1);
    ASSERT_EQ(after.ok, 1) << after.message;
    EXPECT_EQ(after.body, "body/again");
    // The stale pooled socket failed, the retry came on a fresh HTTP/1.0 connection.
    EXPECT_EQ(server.connectionCount(), 2);
    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests.back().connectionId, 2);
    EXPECT_TRUE(isHttp10(requests.back()));
    EXPECT_EQ(client.pool.idleCount(), 0u);
}

TEST(HttpClientPool, ConnectionCloseAndLeftoverBytesKeepSocketsOutOfThePool) {
    HttpTestServer server([](const ReceivedRequest& r) {
        if (r.target == "/close")
            return okReply("c", "Connection: close\r\n");
        if (r.target == "/extra")
            return raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                       "1\r\nz\r\n0\r\n\r\nJUNK");
        return okReply("k", "Connection: Keep-Alive\r\n");
    });
    HttpClient client{quickConfig(), {}};
    EXPECT_EQ(httpRequest(client, server.url("/close"), "", "", 1).ok, 1);
    EXPECT_EQ(client.pool.idleCount(), 0u);
    EXPECT_EQ(httpRequest(client, server.url("/extra"), "", "", 1).body, "z");
    EXPECT_EQ(client.pool.idleCount(), 0u);
    EXPECT_EQ(httpRequest(client, server.url("/keep"), "", "", 1).ok, 1);
    EXPECT_EQ(client.pool.idleCount(), 1u);
    EXPECT_EQ(server.connectionCount(), 3);
}

TEST(HttpClientPool, ManyThreadsShareOneClient) {
    HttpTestServer server([](const ReceivedRequest& r) { return okReply(r.target); });
    HttpClient client{quickConfig(), {}};
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 15; ++i) {
                std::string path = "/t" + std::to_string(t) + "/" + std::to_string(i);
                HttpResponse response = httpRequest(client, server.url(path), "", "", 1);
                if (response.ok == 1 && response.body == path)
                    ++good;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(good.load(), 90);
    EXPECT_LE(server.connectionCount(), 6);
    EXPECT_EQ(client.pool.openedCount(), server.connectionCount());
}

TEST(HttpClientRedirects, EightAreFollowedTheNinthFails) {
    std::atomic<int> chainLength{8};
    HttpTestServer server([&](const ReceivedRequest& r) {
        int step = std::stoi(r.target.substr(3));
        if (step < chainLength.load())
            return statusReply("HTTP/1.1 301 Moved Permanently",
                               "Location: /r/" + std::to_string(step + 1) + "\r\n");
        return okReply("end " + std::to_string(step));
    });
    HttpClient client{quickConfig(), {}};
    HttpResponse followed = httpRequest(client, server.url("/r/0"), "c=1", "http://ref/", 1);
    ASSERT_EQ(followed.ok, 1) << followed.message;
    EXPECT_EQ(followed.body, "end 8");
    for (const ReceivedRequest& request : server.requests()) {
        EXPECT_NE(request.head.find("\r\nCookie: c=1"), std::string::npos);
        EXPECT_NE(request.head.find("\r\nReferer: http://ref/\r\n"), std::string::npos);
    }

    chainLength = 9;
    std::size_t before = server.requests().size();
    HttpResponse refused = httpRequest(client, server.url("/r/0"), "", "", 1);
    EXPECT_EQ(refused.ok, 0);
    EXPECT_EQ(refused.errorKind, 2);
    EXPECT_EQ(refused.message, "HTTP连继跳转已超过允许的次数。");
    EXPECT_TRUE(refused.hasHeader);
    // Nine requests, none repeated: the depth limit is not retried.
    EXPECT_EQ(server.requests().size() - before, 9u);
}

TEST(HttpClientRedirects, RelativeAndAbsoluteLocations) {
    std::string absolute;
    HttpTestServer server([&](const ReceivedRequest& r) {
        if (r.target == "/a/b")
            return statusReply("HTTP/1.1 302 Found", "Location: y\r\n");
        if (r.target == "/a/y")
            return statusReply("HTTP/1.0 301 Moved", "Location: /x\r\n");
        if (r.target == "/x")
            return statusReply("HTTP/1.1 302 Found", "location: " + absolute + "\r\n");
        if (r.target == "/noloc")
            return statusReply("HTTP/1.1 302 Found");
        return okReply("landed " + r.target);
    });
    absolute = server.url("/abs?k=1");
    HttpClient client{quickConfig(), {}};
    HttpResponse response = httpRequest(client, server.url("/a/b"), "", "", 1);
    ASSERT_EQ(response.ok, 1) << response.message;
    EXPECT_EQ(response.body, "landed /abs?k=1");
    std::vector<std::string> targets;
    for (const ReceivedRequest& request : server.requests())
        targets.push_back(request.target);
    EXPECT_EQ(targets, (std::vector<std::string>{"/a/b", "/a/y", "/x", "/abs?k=1"}));

    HttpResponse missing = httpRequest(client, server.url("/noloc"), "", "", 1);
    EXPECT_EQ(missing.message,
              "返回错误的http状态码:\nHTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n");
}

TEST(HttpClientStatus, NotFoundIsAskedAgainOnAFreshConnection) {
    HttpTestServer server(
        [](const ReceivedRequest&) { return statusReply("HTTP/1.1 404 Not Found"); });
    HttpClient client{quickConfig(), {}};
    HttpResponse response = httpRequest(client, server.url("/missing"), "", "", 1);
    EXPECT_EQ(response.ok, 0);
    EXPECT_EQ(response.errorKind, 2);
    EXPECT_EQ(response.message, "404 Not Found - 文件不存在");
    EXPECT_TRUE(response.hasHeader);
    EXPECT_EQ(response.header, "HTTP/1.1 404 Not Found\r\nContent-Length: 0");
    std::vector<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(isHttp10(requests[0]));
    EXPECT_TRUE(isHttp10(requests[1]));
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST(HttpClientStatus, InterimContinueAndRefusedReplies) {
    HttpTestServer server([](const ReceivedRequest& r) {
        if (r.target == "/continue") {
            ScriptedReply reply;
            reply.pieces = {{"HTTP/1.1 100 Continue\r\n\r\n", 0ms},
                            {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 50ms}};
            return reply;
        }
        if (r.target == "/continue-same")
            return raw("HTTP/1.1 100 continue\r\nX: 1\r\n\r\nHTTP/1.1 200 OK\r\n"
                       "Content-Length: 3\r\n\r\nyes");
        if (r.target == "/gzip")
            return okReply("zz", "Content-Encoding: gzip\r\n");
        if (r.target == "/500")
            return statusReply("HTTP/1.1 500 Internal Server Error");
        return okReply("?");
    });
    HttpClient client{quickConfig(), {}};
    HttpResponse continued = httpRequest(client, server.url("/continue"), "", "", 1);
    EXPECT_EQ(continued.body, "ok");
    EXPECT_EQ(continued.header, "HTTP/1.1 200 OK\r\nContent-Length: 2");
    EXPECT_EQ(httpRequest(client, server.url("/continue-same"), "", "", 1).body, "yes");

    HttpResponse gzip = httpRequest(client, server.url("/gzip"), "", "", 1);
    EXPECT_EQ(gzip.message, "暂不支持处理 header.contentEncoding:gzip");
    EXPECT_EQ(gzip.errorKind, 2);
    HttpResponse error = httpRequest(client, server.url("/500"), "", "", 1);
    EXPECT_EQ(error.message, "返回错误的http状态码:\nHTTP/1.1 500 Internal Server Error\r\n"
                             "Content-Length: 0\r\n\r\n");
}

TEST(HttpClientBody, TenMebibytesAcceptedOneByteMoreRefused) {
    const std::string exact(kLimit, 'a');
    HttpTestServer server([&](const ReceivedRequest& r) {
        if (r.target == "/exact")
            return okReply(exact);
        // Announces one byte more than allowed; the client must refuse before reading it.
        return raw("HTTP/1.1 200 OK\r\nContent-Length: 10485761\r\n\r\n" + exact.substr(0, 100));
    });
    HttpClient client{quickConfig(5000ms), {}};
    HttpResponse accepted = httpRequest(client, server.url("/exact"), "", "", 1);
    ASSERT_EQ(accepted.ok, 1) << accepted.message;
    EXPECT_EQ(accepted.length, kLimit);
    EXPECT_EQ(accepted.body.size(), exact.size());
    EXPECT_EQ(accepted.body.c_str()[kLimit], '\0');

    HttpResponse refused = httpRequest(client, server.url("/over"), "", "", 1);
    EXPECT_EQ(refused.ok, 0);
    EXPECT_EQ(refused.message, "header.contentLength: 10485761, 大于10M");
    EXPECT_TRUE(refused.body.empty());
}

TEST(HttpClientBody, ChunkedWithExtensionsInSplitPiecesKeepsTheConnection) {
    HttpTestServer server([](const ReceivedRequest&) {
        ScriptedReply reply;
        reply.pieces = {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n5;name=va", 0ms},
                        {"lue\r\nhel", 20ms},
                        {"lo\r", 20ms},
                        {"\n0x6 ; x\r\n wor", 20ms},
                        {"ld\r\n0\r\nTrailer: t\r\n\r\n", 20ms}};
        return reply;
    });
    HttpClient client{quickConfig(), {}};
    for (int i = 0; i < 2; ++i) {
        HttpResponse response = httpRequest(client, server.url("/c"), "", "", 1);
        ASSERT_EQ(response.ok, 1) << response.message;
        EXPECT_EQ(response.body, "hello world");
        EXPECT_EQ(response.length, 11);
    }
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST(HttpClientBody, ReadToCloseFailsOnKeepAliveAndSucceedsFresh) {
    HttpTestServer server([](const ReceivedRequest& r) {
        if (isHttp10(r))
            return raw("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nuntil close", true);
        // Keep-alive: no length and the connection stays open.
        return raw("HTTP/1.1 200 OK\r\n\r\nuntil close");
    });
    HttpClient client{quickConfig(5000ms), {}};
    auto start = std::chrono::steady_clock::now();
    HttpResponse response = httpRequest(client, server.url("/stream"), "", "", 1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(response.ok, 1) << response.message;
    EXPECT_EQ(response.body, "until close");
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_LT(elapsed, 2500ms); // the keep-alive attempt did not sit out the time-out
}

TEST(HttpClientBody, ConnectionClosedMidBody) {
    HttpTestServer server([](const ReceivedRequest&) {
        return raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'b'), true);
    });
    HttpClient client{quickConfig(), {}};
    HttpResponse response = httpRequest(client, server.url("/cut"), "", "", 1);
    EXPECT_EQ(response.ok, 0);
    EXPECT_EQ(response.errorKind, 2);
    EXPECT_EQ(response.message, "文件大小:100, 实际接收到的文件大小:40, ret:0, errno:0");
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_TRUE(response.body.empty());

    // Without the retry (depth past the limit) the keep-alive text shows.
    HttpResponse deep = httpRequest(client, server.url("/cut"), "", "", 1, 8);
    EXPECT_EQ(deep.message,
              "(fileSize:100, readTotal:40), (header.isChunked:0, isChunkReceiveCompleted:0)");
}

TEST(HttpClientBody, OversizedHeadAndExtraBytesAreFailures) {
    HttpTestServer server([](const ReceivedRequest& r) {
        if (r.target == "/bighead")
            return okReply("x", "X-Filler: " + std::string(9000, 'f') + "\r\n");
        return raw("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nabcdef");
    });
    HttpClient client{quickConfig(), {}};
    HttpResponse big = httpRequest(client, server.url("/bighead"), "", "", 1);
    EXPECT_EQ(big.message, "读取 HTTP_BUFFER_SIZE 字节, 还没有读取完整个 HTTP Head.");
    EXPECT_FALSE(big.hasHeader);
    HttpResponse extra = httpRequest(client, server.url("/extra"), "", "", 1);
    EXPECT_EQ(extra.message, "读取的数据大小:6, http header 返回的 Content-Length:2");
}

TEST(HttpClientTimeouts, SilentServerEndsAfterTheReceiveTimeout) {
    HttpTestServer server([](const ReceivedRequest&) {
        ScriptedReply reply;
        reply.neverAnswer = true;
        return reply;
    });
    HttpClient client{quickConfig(300ms), {}};
    auto start = std::chrono::steady_clock::now();
    HttpResponse response = httpRequest(client, server.url("/silent"), "", "", 1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(response.ok, 0);
    EXPECT_EQ(response.errorKind, 2);
    EXPECT_EQ(response.message, "文件大小:-1, 实际接收到的文件大小:0, ret:-1, errno:11");
    EXPECT_FALSE(response.hasHeader);
    EXPECT_EQ(server.requests().size(), 2u); // keep-alive, then fresh
    EXPECT_GE(elapsed, 500ms);
    EXPECT_LT(elapsed, 3000ms);
}

TEST(HttpClientConnect, RefusedUnresolvedFallbackAndBadInput) {
    HttpClient client{quickConfig(), {}};
    // A port that was just free: nothing listens there.
    int port;
    {
        HttpTestServer gone([](const ReceivedRequest&) { return okReply(""); });
        port = gone.port();
    }
    HttpResponse refused =
        httpRequest(client, "http://127.0.0.1:" + std::to_string(port) + "/", "", "", 1);
    EXPECT_EQ(refused.errorKind, 1);
    EXPECT_EQ(refused.message, "使用非阻塞方式连接发生错误，错误码:111（连接被拒绝）");

    // The reason depends on the machine's resolver (no name, or no answer without a
    // network); either way it is said in words after the name.
    HttpResponse unresolved = httpRequest(client, "http://no-such-host.invalid/", "", "", 1);
    EXPECT_TRUE(unresolved.message.starts_with("无法解析域名: no-such-host.invalid（"))
        << unresolved.message;
    EXPECT_EQ(unresolved.errorKind, 1);
    EXPECT_EQ(httpRequest(client, "http://:8080/", "", "", 1).message, "无法解析域名: ");

    HttpTestServer server([](const ReceivedRequest&) { return okReply("fallback"); });
    client.config.fallbackDomainSuffix = ".vendor.invalid";
    client.config.fallbackAddress = "127.0.0.1";
    HttpResponse fallback = httpRequest(
        client, "http://pics.vendor.invalid:" + std::to_string(server.port()) + "/p", "", "", 1);
    EXPECT_EQ(fallback.body, "fallback");
    EXPECT_NE(server.requests().at(0).head.find("\r\nHost: pics.vendor.invalid:"),
              std::string::npos);

    for (const char* bad : {"ftp://x/", "", "www.example.com/", "http://h/a\r\nX: y"}) {
        HttpResponse response = httpRequest(client, bad, "", "", 1);
        EXPECT_EQ(response.message, "网址不符合规范") << bad;
        EXPECT_EQ(response.errorKind, 1);
    }
    EXPECT_EQ(httpRequest(client, server.url("/"), "a\r\nX-Injected: 1", "", 1).message,
              "Cookie 或 Referer 含有换行符");
    EXPECT_EQ(httpRequest(client, server.url("/" + std::string(9000, 'p')), "", "", 1).message,
              "HTTP 请求头超过 8192 字节");
    EXPECT_EQ(server.requests().size(), 1u); // none of the refused requests went out
}

} // namespace
} // namespace velomira
