#include "net/tls_context.h"

#include <openssl/err.h>

namespace velomira {

SSL_CTX* TlsContext::context(std::string& errorText) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (context_)
        return context_.get();
    std::unique_ptr<SSL_CTX, ContextFree> made(SSL_CTX_new(TLS_client_method()));
    socketMethod_ = makeSocketBioMethod();
    if (!made || !socketMethod_ || SSL_CTX_set_min_proto_version(made.get(), TLS1_2_VERSION) != 1) {
        errorText = "TLS 库无法初始化";
        return nullptr;
    }
    // The system's trust store; SSL_CERT_FILE and SSL_CERT_DIR take its place when set.
    if (SSL_CTX_set_default_verify_paths(made.get()) != 1)
        ERR_clear_error(); // no store at all: every certificate then fails as untrusted
    SSL_CTX_set_verify(made.get(), SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_session_cache_mode(made.get(), SSL_SESS_CACHE_CLIENT);
    context_ = std::move(made);
    return context_.get();
}

bool TlsContext::attach(SSL* ssl, int fd) {
    BIO* bio = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (socketMethod_)
            bio = socketBio(socketMethod_.get(), fd);
    }
    if (bio == nullptr)
        return false;
    SSL_set_bio(ssl, bio, bio); // one reference for both directions
    return true;
}

void TlsContext::offerSession(std::string_view key, SSL* ssl) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sessions_.find(key);
    if (found != sessions_.end())
        SSL_set_session(ssl, found->second.get());
}

void TlsContext::keepSession(std::string_view key, SSL* ssl) {
    SSL_SESSION* session = SSL_get1_session(ssl);
    if (session == nullptr)
        return;
    std::unique_ptr<SSL_SESSION, SessionFree> owned(session);
    if (SSL_SESSION_is_resumable(session) != 1)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    sessions_.insert_or_assign(std::string(key), std::move(owned));
}

} // namespace velomira
