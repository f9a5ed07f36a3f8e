#include "net/tls_failure_text.h"

#include "net/connect_failure_text.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

namespace velomira {

std::string certificateReason(long verifyResult) {
    switch (verifyResult) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "证书已过期";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "证书尚未生效";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "证书与主机名不符";
    case X509_V_ERR_CERT_REVOKED:
        return "证书已被吊销";
    default:
        // Self-signed, an unknown authority, a broken chain: none of them can be trusted.
        return "证书不受信任";
    }
}

namespace {

std::string libraryReason(unsigned long code) {
    if (ERR_GET_LIB(code) == ERR_LIB_SYS) // the socket failed: reset or closed by the server
        return "服务器在握手中关闭了连接";
    switch (ERR_GET_REASON(code)) {
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
    case SSL_R_VERSION_TOO_LOW:
        return "服务器只支持 TLS 1.2 以前的过时协议";
    case SSL_R_EXCESSIVE_MESSAGE_SIZE:
        return "服务器发来的证书过大";
    case SSL_R_UNEXPECTED_EOF_WHILE_READING:
        return "服务器在握手中关闭了连接";
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
        return "服务器的应答不是 TLS";
    default:
        break;
    }
    const char* text = ERR_reason_error_string(code);
    return text != nullptr ? std::string("安全连接失败: ") + text : "安全连接失败";
}

} // namespace

std::string handshakeReason(int sslError, long verifyResult) {
    unsigned long code = ERR_peek_error();
    ERR_clear_error();
    if (verifyResult != X509_V_OK)
        return certificateReason(verifyResult);
    if (code != 0)
        return libraryReason(code);
    if (sslError == SSL_ERROR_SYSCALL || sslError == SSL_ERROR_ZERO_RETURN)
        return "服务器在握手中关闭了连接";
    return "安全连接失败";
}

std::string tlsFailureText(const std::string& host, const std::string& reason) {
    return withReason("无法建立安全连接: " + host, reason);
}

} // namespace velomira
