// Pooled keep-alive fetching against the transport's own speed: 200 pictures of 200 KB from one
// host through the client, and the same bytes as one 40 MB body read on one plain connection.
// Prints the connections the pool opened (1 expected) and the time ratio (target <= 1.2).
#include "net/http_client.h"
#include "support/http_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPictures = 200;
constexpr std::size_t kPictureSize = 200 * 1024;
constexpr int kRounds = 5;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// One request and its whole reply read with plain recv into a ready buffer: the baseline.
std::size_t streamOnce(int port, const std::string& path, std::string& received) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return 0;
    }
    std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::size_t total = 0;
    for (;;) {
        ssize_t n = ::recv(fd, received.data() + total, received.size() - total, 0);
        if (n <= 0)
            break;
        total += static_cast<std::size_t>(n);
        if (total == received.size())
            break;
    }
    ::close(fd);
    return total;
}

} // namespace

int main() {
    const std::string picture(kPictureSize, '\x5a');
    const std::string stream(kPictures * kPictureSize, '\x5a');
    velomira::test::HttpTestServer server([&](const velomira::test::ReceivedRequest& request) {
        if (request.target == "/stream") {
            velomira::test::ScriptedReply reply =
                velomira::test::okReply(stream, "Connection: close\r\n");
            reply.closeAfter = true;
            return reply;
        }
        return velomira::test::okReply(picture);
    });

    double pooledBest = 1e9;
    int opened = 0;
    bool allGood = true;
    for (int round = 0; round < kRounds; ++round) {
        velomira::HttpClient client;
        auto start = Clock::now();
        for (int i = 0; i < kPictures; ++i) {
            std::string url = server.url("/pictures/" + std::to_string(i) + ".jpg");
            velomira::HttpResponse response = velomira::httpRequest(client, url, "", "", 1);
            allGood = allGood && response.ok == 1 && response.body.size() == kPictureSize;
        }
        pooledBest = std::min(pooledBest, seconds(Clock::now() - start));
        opened = std::max(opened, client.pool.openedCount());
    }

    double streamBest = 1e9;
    std::size_t streamed = 0;
    // Allocated and touched once, so the baseline pays for the transfer, not for page faults.
    std::string received(kPictures * kPictureSize + 4096, '\0');
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        streamed = streamOnce(server.port(), "/stream", received);
        streamBest = std::min(streamBest, seconds(Clock::now() - start));
    }

    std::printf("pictures fetched:        %d x %zu bytes, all complete: %s\n", kPictures,
                kPictureSize, allGood ? "yes" : "NO");
    std::printf("connections opened:      %d per run of %d requests\n", opened, kPictures);
    std::printf("pooled fetch (best of %d): %.3f s\n", kRounds, pooledBest);
    std::printf("one stream   (best of %d): %.3f s (%zu bytes)\n", kRounds, streamBest, streamed);
    std::printf("ratio pooled / stream:   %.2f (target <= 1.2)\n", pooledBest / streamBest);
    return allGood && opened == 1 ? 0 : 1;
}
