#include "net/tls_handshake.h"

#include "net/tls_failure_text.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/x509v3.h>
#include <poll.h>

namespace velomira {

namespace {

bool isAddress(const std::string& host) {
    in_addr v4{};
    in6_addr v6{};
    return ::inet_pton(AF_INET, host.c_str(), &v4) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

// Names the host the certificate must belong to; a literal address is checked as an address
// and sent without server name, as the protocol asks.
bool expectHost(SSL* ssl, const std::string& host) {
    if (isAddress(host)) {
        X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
        return X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) == 1;
    }
    return SSL_set_tlsext_host_name(ssl, host.c_str()) == 1 &&
           SSL_set1_host(ssl, host.c_str()) == 1;
}

} // namespace

TlsStart startTls(TlsContext& tls, Connection& connection, const std::string& host,
                  const std::string& sessionKey, const RequestDeadline& deadline,
                  std::chrono::milliseconds ioTimeout) {
    TlsStart result;
    std::string reason;
    SSL_CTX* context = tls.context(reason);
    if (context == nullptr) {
        result.errorText = tlsFailureText(host, reason);
        return result;
    }
    int fd = connection.socket.fd();
    int flags = ::fcntl(fd, F_GETFL);
    SslHandle ssl(SSL_new(context));
    if (!ssl || flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
        !tls.attach(ssl.get(), fd) || !expectHost(ssl.get(), host)) {
        ERR_clear_error();
        result.errorText = tlsFailureText(host, "安全连接失败");
        return result;
    }
    tls.offerSession(sessionKey, ssl.get());
    for (;;) {
        int done = SSL_connect(ssl.get());
        if (done == 1)
            break;
        int error = SSL_get_error(ssl.get(), done);
        short events = error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
            result.errorText =
                tlsFailureText(host, handshakeReason(error, SSL_get_verify_result(ssl.get())));
            return result;
        }
        int waitError = 0;
        result.wait = waitForSocket(fd, events, &deadline, ioTimeout, waitError);
        if (result.wait == WaitOutcome::Ready)
            continue;
        if (result.wait == WaitOutcome::TimedOut)
            result.errorText = tlsFailureText(host, "服务器没有完成握手");
        else if (result.wait == WaitOutcome::Failed)
            result.errorText = tlsFailureText(host, "握手时连接出错");
        ERR_clear_error();
        return result;
    }
    tls.keepSession(sessionKey, ssl.get());
    connection.tls = std::move(ssl);
    return result;
}

} // namespace velomira
