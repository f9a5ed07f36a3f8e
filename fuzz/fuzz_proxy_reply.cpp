// Feeds arbitrary bytes as a proxy's answer to CONNECT. The first byte picks the receive piece
// size (0 means 8192), so a head split anywhere is read. Whatever arrives, only a whole 2xx
// head may open the tunnel, and every other verdict has a text naming the proxy.
#include "net/http_head.h"
#include "net/http_text.h"
#include "net/proxy_reply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::size_t piece = data[0] == 0 ? velomira::kHttpBufferSize : data[0];
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    velomira::MemorySource source(bytes, piece);
    velomira::ProxyReply reply = velomira::readProxyReply(source);
    velomira::ProxyAddress proxy;
    proxy.host = "proxy.example";
    if (reply.verdict == velomira::ProxyVerdict::Open) {
        // Bytes after the head that had not arrived yet are the tunnel's, not the reader's.
        if (reply.status < 200 || reply.status > 299 ||
            !velomira::startsWithNoCase(bytes, "HTTP/1.") ||
            bytes.find("\r\n\r\n") == std::string_view::npos)
            std::abort();
    } else if (velomira::proxyFailureText(proxy, reply).find("proxy.example:1080") ==
               std::string::npos) {
        std::abort();
    }
    return 0;
}
