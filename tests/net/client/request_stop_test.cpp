// A stop ends a request that is waiting, whatever it waits for: a body that trickles in, a
// server that never answers, a TLS handshake that never finishes. The deadline here is a
// minute, so only the stop can end these requests early.
#include "net/http_client.h"
#include "support/http_test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace velomira {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

test::ScriptedReply trickling() {
    test::ScriptedReply reply;
    reply.pieces.push_back({"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", 0ms});
    for (int i = 0; i < 600; ++i)
        reply.pieces.push_back({"x", 100ms});
    return reply;
}

test::ScriptedReply silent() {
    test::ScriptedReply reply;
    reply.neverAnswer = true;
    return reply;
}

TEST(RequestStop, EndsAWaitingRequestLongBeforeItsDeadline) {
    test::HttpTestServer slow([](const test::ReceivedRequest& request) {
        return request.target == "/trickle" ? trickling() : silent();
    });
    struct Case {
        std::string url;
        int keepAlive;
    };
    const Case cases[] = {
        {slow.url("/trickle"), 1},
        {slow.url("/silent"), 0},
        // A TLS handshake the plain server never answers.
        {"https://127.0.0.1:" + std::to_string(slow.port()) + "/handshake", 1},
    };
    for (const Case& c : cases) {
        const int connectionsBefore = slow.connectionCount();
        HttpClientConfig config;
        config.ioTimeout = 60000ms;
        config.pictureDeadline = 60000ms;
        HttpClient client{config, {}};
        std::atomic<bool> stop{false};
        HttpResponse response;
        Clock::time_point stoppedAt;
        std::thread request([&] {
            response = httpRequest(client, c.url, "", "", c.keepAlive, 0, RequestKind::Picture,
                                   [&stop] { return stop.load(); });
        });
        // Wait until the request is under way: the server took its connection.
        for (int i = 0; i < 3000 && slow.connectionCount() == connectionsBefore; ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_GT(slow.connectionCount(), connectionsBefore) << c.url;
        stoppedAt = Clock::now();
        stop = true;
        request.join();
        EXPECT_LT(Clock::now() - stoppedAt, 30s) << c.url;
        EXPECT_EQ(response.ok, 0) << c.url;
        EXPECT_EQ(response.message, kRequestStoppedText) << c.url;
    }
}

} // namespace
} // namespace velomira
