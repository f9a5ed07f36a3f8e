#pragma once
// The TLS side of one client: the library context (TLS 1.2 or newer, certificates checked
// against the system's trust store or the SSL_CERT_FILE / SSL_CERT_DIR the environment names)
// made on first use, and the last session of each host for a cheap resumption. There is no
// way to turn the check off. Safe to use from several threads.
#include "net/tls_socket_bio.h"

#include <openssl/ssl.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace velomira {

class TlsContext {
  public:
    TlsContext() = default;
    ~TlsContext() = default;
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    // The library context; null with the reason in errorText when it cannot be made.
    SSL_CTX* context(std::string& errorText);
    // Puts the library on fd through our own socket access; false on failure.
    bool attach(SSL* ssl, int fd);
    // Offers the session kept for key (if any) to a connection about to shake hands.
    void offerSession(std::string_view key, SSL* ssl);
    // Keeps the connection's session for key when it can be resumed.
    void keepSession(std::string_view key, SSL* ssl);

  private:
    struct ContextFree {
        void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
    };
    struct SessionFree {
        void operator()(SSL_SESSION* session) const { SSL_SESSION_free(session); }
    };
    std::mutex mutex_;
    std::unique_ptr<SSL_CTX, ContextFree> context_;
    BioMethodHandle socketMethod_;
    std::map<std::string, std::unique_ptr<SSL_SESSION, SessionFree>, std::less<>> sessions_;
};

} // namespace velomira
