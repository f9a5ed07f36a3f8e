// "https:" over TLS against local servers made by the test: the bytes arrive whole over
// keep-alive and resumed sessions, every certificate fault and every broken handshake ends
// with its own text, and nothing meant for "https:" is ever sent in clear text.
#include "net/http_client.h"
#include "support/script_server.h"
#include "support/http_test_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace velomira {
namespace {

using test::ScriptServer;
using test::servedPicture;
using test::tlsServer;
using namespace std::chrono_literals;

HttpClientConfig tlsConfig() {
    HttpClientConfig config;
    config.connectTimeout = 5000ms;
    config.ioTimeout = 20000ms;
    config.pageDeadline = 30000ms;
    return config;
}

class TlsClientTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(test::testCertificates().empty()); }
};

TEST_F(TlsClientTest, FetchesOverVerifiedTlsWithKeepAliveChunksAndResumedSessions) {
    ScriptServer server(tlsServer("https", "good"));
    ASSERT_GT(server.port(), 0);
    HttpClient client{tlsConfig(), {}};

    HttpResponse picture = httpRequest(client, server.url("https", "localhost", "/picture"), "", "",
                                       1, 0, RequestKind::Picture);
    ASSERT_EQ(picture.ok, 1) << picture.message;
    EXPECT_EQ(picture.body, servedPicture());
    HttpResponse chunked =
        httpRequest(client, server.url("https", "localhost", "/chunked"), "", "", 1);
    ASSERT_EQ(chunked.ok, 1) << chunked.message;
    EXPECT_EQ(chunked.body, "hello, chunked world");
    EXPECT_EQ(client.pool.openedCount(), 1) << "the second request reuses the TLS connection";

    // A fresh connection resumes the kept session instead of a full handshake.
    HttpResponse resumed =
        httpRequest(client, server.url("https", "localhost", "/reused"), "", "", 0);
    ASSERT_EQ(resumed.ok, 1) << resumed.message;
    EXPECT_EQ(resumed.body, "1");

    // A literal address is checked against the certificate's addresses.
    HttpResponse byAddress =
        httpRequest(client, server.url("https", "127.0.0.1", "/chunked"), "", "", 0);
    EXPECT_EQ(byAddress.ok, 1) << byAddress.message;
}

TEST_F(TlsClientTest, EveryCertificateFaultIsRefusedWithItsReason) {
    struct Case {
        const char* certificate;
        const char* host;
        const char* text;
    };
    const Case cases[] = {
        {"expired", "localhost", "无法建立安全连接: localhost（证书已过期）"},
        {"wronghost", "localhost", "无法建立安全连接: localhost（证书与主机名不符）"},
        {"selfsigned", "localhost", "无法建立安全连接: localhost（证书不受信任）"},
        {"unknownca", "localhost", "无法建立安全连接: localhost（证书不受信任）"},
        {"unknownca", "127.0.0.1", "无法建立安全连接: 127.0.0.1（证书不受信任）"},
    };
    for (const Case& c : cases) {
        ScriptServer server(tlsServer("https", c.certificate));
        ASSERT_GT(server.port(), 0);
        HttpClient client{tlsConfig(), {}};
        HttpResponse response =
            httpRequest(client, server.url("https", c.host, "/picture"), "", "", 1);
        EXPECT_EQ(response.ok, 0) << c.certificate;
        EXPECT_EQ(response.errorKind, 1) << c.certificate;
        EXPECT_EQ(response.message, c.text) << c.certificate;
        EXPECT_TRUE(response.body.empty()) << c.certificate;
    }
}

TEST_F(TlsClientTest, BrokenHandshakesAndCutBodiesEndWithTheirOwnText) {
    struct Case {
        const char* mode;
        const char* path;
        int keepAlive;
        std::string text; // the whole message, or a part of it
    };
    const Case cases[] = {
        {"hangup", "/picture", 1, "无法建立安全连接: localhost（服务器在握手中关闭了连接）"},
        {"garbage", "/picture", 1, "无法建立安全连接: localhost（服务器的应答不是 TLS）"},
        {"tls10", "/picture", 1,
         "无法建立安全连接: localhost（服务器只支持 TLS 1.2 以前的过时协议）"},
        {"silent", "/picture", 1, "HTTP 请求未能在 2 秒内完成，已中止。"},
        {"hugechain", "/picture", 1, "无法建立安全连接: localhost（服务器发来的证书过大）"},
        // Closed without close_notify: the body may have been cut by anyone on the way.
        {"https", "/cut", 0, "实际接收到的文件大小:100, ret:-1"},
        {"https", "/cut-length", 1, "文件大小:1000, 实际接收到的文件大小:100"},
    };
    for (const Case& c : cases) {
        ScriptServer server(tlsServer(c.mode, "good"));
        ASSERT_GT(server.port(), 0);
        HttpClientConfig config = tlsConfig();
        config.pageDeadline = 2000ms;
        HttpClient client{config, {}};
        HttpResponse response =
            httpRequest(client, server.url("https", "localhost", c.path), "", "", c.keepAlive);
        EXPECT_EQ(response.ok, 0) << c.mode << c.path;
        EXPECT_NE(response.message.find(c.text), std::string::npos)
            << c.mode << c.path << ": " << response.message;
    }
}

TEST_F(TlsClientTest, RedirectsMayRaiseButNeverLowerTheProtection) {
    ScriptServer secure(tlsServer("https", "good"));
    ASSERT_GT(secure.port(), 0);
    test::HttpTestServer plain([&](const test::ReceivedRequest& request) {
        if (request.target == "/up")
            return test::statusReply("HTTP/1.1 302 Found",
                                     "Location: " + secure.url("https", "localhost", "/picture") +
                                         "\r\n");
        return test::okReply("clear text");
    });
    HttpClient client{tlsConfig(), {}};

    HttpResponse raised = httpRequest(client, plain.url("/up"), "", "", 1);
    ASSERT_EQ(raised.ok, 1) << raised.message;
    EXPECT_EQ(raised.body, servedPicture());

    const std::string down = "http://127.0.0.1:" + std::to_string(plain.port()) + "/x";
    HttpResponse lowered = httpRequest(
        client, secure.url("https", "localhost", "/to-http?" + std::to_string(plain.port())), "",
        "", 1);
    EXPECT_EQ(lowered.ok, 0);
    EXPECT_EQ(lowered.message, "拒绝从加密的 https 地址跳转到不加密的地址: " + down);
    EXPECT_EQ(plain.requests().size(), 1u) << "only /up reached the plain server";
}

} // namespace
} // namespace velomira
