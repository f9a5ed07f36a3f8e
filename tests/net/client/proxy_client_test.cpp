// Requests through a proxy the test starts (tests/net/servers/connect_proxy.py): "https:"
// through a CONNECT tunnel, plain requests with their absolute address, no_proxy honoured,
// every refusal a text naming the proxy, and the credentials never in any text.
#include "net/http_client.h"
#include "net/net_config.h"
#include "net/proxy_reply.h"
#include "support/script_server.h"
#include "support/http_test_server.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace velomira {
namespace {

using test::ScriptServer;
using namespace std::chrono_literals;

// The client's settings as the program builds them from this environment.
HttpClientConfig configWith(const std::map<std::string, std::string>& environment,
                            const std::string& configured = "") {
    NetConfig net;
    net.proxy = configured;
    HttpClientConfig config = httpClientConfigFor(net, [&](const char* name) -> const char* {
        auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    });
    config.ioTimeout = 20000ms;
    return config;
}

class ProxyClientTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(test::testCertificates().empty()); }
    std::string proxyAddress(const ScriptServer& proxy, const std::string& credentials = "") {
        return "http://" + credentials + "127.0.0.1:" + std::to_string(proxy.port());
    }
    std::string logged() const { return testing::readWholeFile(log); }
    testing::TempFolder folder;
    const std::string log = folder.file("proxy.log");
};

TEST_F(ProxyClientTest, HttpsGoesThroughATunnelAndPlainRequestsWithTheirAddress) {
    ScriptServer site(test::tlsServer("https", "good"));
    ScriptServer proxy({test::serverScript("connect_proxy.py"), "open", log, "user:p@ss"});
    test::HttpTestServer plain([](const test::ReceivedRequest&) { return test::okReply("plain"); });
    ASSERT_GT(site.port(), 0);
    ASSERT_GT(proxy.port(), 0);
    // The proxy resolves shop.test, which no resolver here knows: the client never tries.
    const std::string address = proxyAddress(proxy, "user:p%40ss@");
    HttpClient client{configWith({{"https_proxy", address}, {"http_proxy", address}}), {}};

    HttpResponse secure =
        httpRequest(client, site.url("https", "shop.test", "/picture"), "", "", 1);
    ASSERT_EQ(secure.ok, 1) << secure.message;
    EXPECT_EQ(secure.body, test::servedPicture());
    const std::string target = "shop.test:" + std::to_string(site.port());
    EXPECT_NE(logged().find("CONNECT " + target + " HTTP/1.1\r\nHost: " + target +
                            "\r\nProxy-Authorization: Basic dXNlcjpwQHNz\n"),
              std::string::npos)
        << logged();

    const std::string url = "http://shop.test:" + std::to_string(plain.port()) + "/a?b=1";
    HttpResponse clear = httpRequest(client, url, "", "", 1);
    ASSERT_EQ(clear.ok, 1) << clear.message;
    EXPECT_EQ(clear.body, "plain");
    EXPECT_EQ(plain.requests().at(0).target, url);
}

TEST_F(ProxyClientTest, HostsInNoProxyAreReachedDirectly) {
    ScriptServer site(test::tlsServer("https", "good"));
    ScriptServer proxy({test::serverScript("connect_proxy.py"), "open", log});
    ASSERT_GT(proxy.port(), 0);
    for (const char* list : {"localhost", "example.org, .localhost", "*"}) {
        HttpClient client{configWith({{"HTTPS_PROXY", proxyAddress(proxy)}, {"no_proxy", list}}),
                          {}};
        HttpResponse response =
            httpRequest(client, site.url("https", "localhost", "/chunked"), "", "", 1);
        EXPECT_EQ(response.ok, 1) << list << ": " << response.message;
    }
    EXPECT_EQ(logged(), "");
}

TEST_F(ProxyClientTest, EveryRefusalNamesTheProxyAndNeverItsCredentials) {
    struct Case {
        const char* mode;
        const char* required;    // credentials the proxy asks for
        const char* credentials; // in the proxy address
        const char* text;        // after "代理服务器 127.0.0.1:PORT"
    };
    const Case cases[] = {
        {"refuse", "", "user:s3cret@", " 拒绝了连接请求（HTTP 403）"},
        {"garbage", "", "user:s3cret@", " 的应答无法识别"},
        {"open", "user:other", "user:s3cret@", " 不接受所给的用户名和密码"},
        {"open", "user:other", "", " 要求身份验证（请在代理地址中写上用户名和密码）"},
    };
    for (const Case& c : cases) {
        ScriptServer proxy({test::serverScript("connect_proxy.py"), c.mode, log, c.required});
        ASSERT_GT(proxy.port(), 0);
        const std::string address = proxyAddress(proxy, c.credentials);
        HttpClient client{configWith({{"https_proxy", address}, {"http_proxy", address}}), {}};
        const std::string expected =
            "代理服务器 127.0.0.1:" + std::to_string(proxy.port()) + c.text;
        for (const char* url : {"https://shop.test/x", "http://shop.test:1/x"}) {
            HttpResponse response = httpRequest(client, url, "", "", 1);
            EXPECT_EQ(response.ok, 0) << c.mode << url;
            // A plain request's refusal is the proxy's reply page, quoted as any server's.
            if (std::string(url).starts_with("https") || std::string(c.mode) == "open") {
                EXPECT_EQ(response.message, expected) << c.mode << url;
            }
            EXPECT_EQ(response.message.find("s3cret"), std::string::npos) << c.mode << url;
        }
    }
}

TEST(ProxySettings, EnvironmentComesFirstAndAddressesReadAsOtherToolsReadThem) {
    struct Case {
        std::map<std::string, std::string> environment;
        const char* configured;
        bool secure;
        const char* host;
        const char* proxy; // shownName of the proxy taken, "" for a direct request
    };
    const Case cases[] = {
        {{{"https_proxy", "http://a:3128"}, {"HTTPS_PROXY", "b:1"}}, "", true, "h", "a:3128"},
        {{{"HTTPS_PROXY", "b"}}, "", true, "h", "b:1080"},
        {{{"HTTP_PROXY", "b:8080/"}}, "", false, "h", "b:8080"},
        {{{"https_proxy", "http://a:1"}}, "", false, "h", ""},
        {{}, "c:3", true, "h", "c:3"},
        {{}, "c:3", false, "h", "c:3"},
        {{{"http_proxy", "a:1"}}, "c:3", false, "h", "a:1"},
        {{{"https_proxy", "a:1"}, {"no_proxy", "example.org"}}, "", true, "img.example.org", ""},
        {{{"https_proxy", "a:1"}, {"NO_PROXY", ".example.org"}}, "", true, "example.org", ""},
        {{{"https_proxy", "a:1"}, {"no_proxy", "example.org"}}, "", true, "badexample.org", "a:1"},
        {{{"https_proxy", "socks5://a:1"}}, "", true, "h", ""},
        {{{"https_proxy", "a:99999"}}, "", true, "h", ""},
        {{{"https_proxy", "a:x"}}, "", true, "h", ""},
    };
    for (const Case& c : cases) {
        HttpClientConfig config = configWith(c.environment, c.configured);
        const ProxyAddress* proxy = proxyFor(config.proxy, c.secure, c.host);
        EXPECT_EQ(proxy ? proxy->shownName() : "", c.proxy) << c.host << " " << c.configured;
    }
    std::optional<ProxyAddress> withUser = parseProxyAddress("http://Al%3Aice:p%40ss@p:1");
    ASSERT_TRUE(withUser);
    EXPECT_EQ(withUser->authorization, "Basic " + base64("Al:ice:p@ss"));
    EXPECT_EQ(base64("Al:ice:p@ss"), "QWw6aWNlOnBAc3M=");
    EXPECT_EQ(base64("ab"), "YWI=");
}

TEST(ProxyReply, OnlyAWholeSuccessfulHeadOpensTheTunnel) {
    struct Case {
        const char* bytes;
        ProxyVerdict verdict;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 Connection established\r\n\r\n", ProxyVerdict::Open},
        {"HTTP/1.0 200\r\nX: y\r\n\r\n", ProxyVerdict::Open},
        {"HTTP/1.1 407 Auth\r\n\r\n", ProxyVerdict::AuthenticationRequired},
        {"HTTP/1.1 502 Bad Gateway\r\n\r\n", ProxyVerdict::Refused},
        {"HTTP/1.1 200 OK\r\n\r\nextra", ProxyVerdict::Garbage},
        {"HTTP/1.1 2x0 OK\r\n\r\n", ProxyVerdict::Garbage},
        {"SSH-2.0-OpenSSH\r\n\r\n", ProxyVerdict::Garbage},
        {"HTTP/1.1 200 OK\r\n", ProxyVerdict::Garbage},
        {"", ProxyVerdict::Closed},
    };
    for (const Case& c : cases) {
        MemorySource source(c.bytes, 3);
        EXPECT_EQ(static_cast<int>(readProxyReply(source).verdict), static_cast<int>(c.verdict))
            << c.bytes;
    }
    const std::string hugeBytes(20000, 'a'); // the source only views its bytes
    MemorySource huge(hugeBytes);
    EXPECT_EQ(static_cast<int>(readProxyReply(huge).verdict),
              static_cast<int>(ProxyVerdict::Garbage));
}

} // namespace
} // namespace velomira
