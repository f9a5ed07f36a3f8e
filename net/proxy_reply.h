#pragma once
// The proxy's answer to CONNECT, read from a byte source (a socket in the client, memory in
// the fuzz target), and what it means in words that name the proxy.
#include "net/http_byte_source.h"
#include "net/proxy_settings.h"

#include <string>

namespace velomira {

enum class ProxyVerdict { Open, AuthenticationRequired, Refused, Garbage, Closed };

struct ProxyReply {
    ProxyVerdict verdict = ProxyVerdict::Closed;
    int status = 0; // the status code of a readable head
};

// One head, which must end before the buffer is full and be followed by nothing: the tunnel's
// first bytes are ours to send, so anything the proxy adds is not a tunnel.
ProxyReply readProxyReply(ByteSource& source);

// The CONNECT request for host:port, with the proxy's credentials when it has any.
std::string connectRequest(const std::string& host, int port, const ProxyAddress& proxy);

// The failure text of any verdict but Open.
std::string proxyFailureText(const ProxyAddress& proxy, const ProxyReply& reply);

} // namespace velomira
