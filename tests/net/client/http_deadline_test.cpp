// The overall deadline of a request against servers that answer too slowly on purpose: a byte
// at a time, never, or through a chain of slow redirects. Each per-receive wait here is far
// below the receive time-out, so only the deadline can end the request.
#include "net/http_client.h"
#include "net/socket_handle.h"
#include "support/http_test_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <vector>

namespace velomira {
namespace {

using test::HttpTestServer;
using test::okReply;
using test::ReceivedRequest;
using test::ScriptedReply;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kDeadlineText = "HTTP 请求未能在 0.3 秒内完成，已中止。";

HttpClientConfig deadlineConfig() {
    HttpClientConfig config;
    config.connectTimeout = 2000ms;
    config.ioTimeout = 2000ms;
    config.pageDeadline = 300ms;
    config.pictureDeadline = 5000ms;
    return config;
}

// The text sent one byte every `pause`.
ScriptedReply trickle(const std::string& bytes, std::chrono::milliseconds pause,
                      std::size_t sentAtOnce = 0) {
    ScriptedReply reply;
    reply.pieces.push_back({bytes.substr(0, sentAtOnce), 0ms});
    for (std::size_t i = sentAtOnce; i < bytes.size(); ++i)
        reply.pieces.push_back({bytes.substr(i, 1), pause});
    return reply;
}

const std::string kHead = "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n";
const std::string kBody(40, 'b');

struct SlowCase {
    const char* name;
    ScriptedReply (*reply)(const ReceivedRequest&);
    int connections; // every one of them a hop; a retry would add one
};

const SlowCase kSlowServers[] = {
    {"head a byte every 100 ms",
     [](const ReceivedRequest&) { return trickle(kHead + kBody, 100ms); }, 1},
    {"body a byte every 100 ms",
     [](const ReceivedRequest&) { return trickle(kHead + kBody, 100ms, kHead.size()); }, 1},
    {"chunked body a byte every 100 ms",
     [](const ReceivedRequest&) {
         const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
         return trickle(head + "28\r\n" + kBody + "\r\n0\r\n\r\n", 100ms, head.size());
     },
     1},
    {"no answer at all",
     [](const ReceivedRequest&) {
         ScriptedReply reply;
         reply.neverAnswer = true;
         return reply;
     },
     1},
    {"redirects 120 ms apart",
     [](const ReceivedRequest& request) {
         // Each hop alone is quick; together they outlast the deadline.
         ScriptedReply reply;
         std::string next = "/hop" + std::to_string(request.target.size());
         reply.pieces.push_back(
             {"HTTP/1.1 302 Found\r\nContent-Length: 0\r\nLocation: " + next + "\r\n\r\n", 120ms});
         return reply;
     },
     3},
};

TEST(HttpClientDeadline, SlowServersFailAtTheDeadlineWithoutRetryOrPooling) {
    for (const SlowCase& slow : kSlowServers) {
        SCOPED_TRACE(slow.name);
        HttpTestServer server(slow.reply);
        HttpClient client{deadlineConfig(), {}};
        Clock::time_point start = Clock::now();
        HttpResponse response = httpRequest(client, server.url("/page"), "", "", 1);
        auto elapsed = Clock::now() - start;

        EXPECT_EQ(response.ok, 0);
        EXPECT_EQ(response.errorKind, 2);
        EXPECT_EQ(response.message, kDeadlineText);
        // Far sooner than the trickle would end (over 4 s) or a receive time-out (2 s); the
        // margin is for a busy machine.
        EXPECT_LT(elapsed, 1500ms);
        EXPECT_GE(elapsed, 300ms);
        // The half-read connection is not pooled, and no fresh retry outlives the deadline.
        EXPECT_EQ(client.pool.idleCount(), 0u);
        EXPECT_EQ(server.connectionCount(), slow.connections);
    }
}

TEST(HttpClientDeadline, PicturesHaveTheirOwnLongerDeadline) {
    HttpTestServer server([](const ReceivedRequest&) { return trickle(kHead + kBody, 20ms); });
    HttpClient client{deadlineConfig(), {}};

    HttpResponse page = httpRequest(client, server.url("/list"), "", "", 1);
    EXPECT_EQ(page.ok, 0);
    EXPECT_EQ(page.message, kDeadlineText);

    // The same 1.6 s reply fits the picture deadline, on a fresh connection.
    HttpResponse picture =
        httpRequest(client, server.url("/p.jpg"), "", "", 1, 0, RequestKind::Picture);
    ASSERT_EQ(picture.ok, 1) << picture.message;
    EXPECT_EQ(picture.body, kBody);
    EXPECT_EQ(client.pool.idleCount(), 1u);
}

TEST(HttpClientDeadline, AConnectThatHangsEndsAtTheDeadline) {
    // A listener that never accepts, its queue filled: the kernel drops further connection
    // requests, so the client's connect waits for an answer that never comes.
    Socket listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener.fd(), 0), 0);
    ASSERT_EQ(::getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<Socket> queued;
    for (int i = 0; i < 4; ++i) {
        Socket filler(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(filler.fd(), reinterpret_cast<sockaddr*>(&address), length);
        queued.push_back(std::move(filler));
    }

    HttpClientConfig config = deadlineConfig();
    config.connectTimeout = 5000ms;
    HttpClient client{config, {}};
    Clock::time_point start = Clock::now();
    HttpResponse response = httpRequest(
        client, "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x", "", "", 1);
    auto elapsed = Clock::now() - start;
    if (response.ok || response.message.starts_with("使用非阻塞方式连接发生错误"))
        GTEST_SKIP() << "this kernel answered the connect at once: " << response.message;
    EXPECT_EQ(response.ok, 0);
    EXPECT_EQ(response.errorKind, 1);
    EXPECT_EQ(response.message, kDeadlineText);
    EXPECT_LT(elapsed, 1500ms);
}

} // namespace
} // namespace velomira
