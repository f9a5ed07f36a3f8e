#pragma once
// One connection the client talks over: the socket, and for "https:" the TLS session on it.
// Dropping it closes both; the TLS side first, so its buffers never outlive the socket.
#include "net/socket_handle.h"

#include <openssl/ssl.h>

#include <memory>

namespace velomira {

struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using SslHandle = std::unique_ptr<SSL, SslFree>;

struct Connection {
    Socket socket;
    SslHandle tls; // empty for plain HTTP

    bool valid() const { return socket.valid(); }
    bool secure() const { return tls != nullptr; }
};

} // namespace velomira
