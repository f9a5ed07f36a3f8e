#pragma once
// Why a TLS handshake failed, in words a user can act on: the certificate's verdict first
// (untrusted, expired, for another host), then what the library reported.
#include <string>

namespace velomira {

// "证书已过期" and so on for the library's certificate verdicts; "证书不受信任" for any other
// failed check.
std::string certificateReason(long verifyResult);

// The reason for a handshake that failed with the library's error queue as it is now (its
// first entry is taken and the queue cleared). sslError is SSL_get_error's value,
// verifyResult SSL_get_verify_result's.
std::string handshakeReason(int sslError, long verifyResult);

// "无法建立安全连接: host（reason）".
std::string tlsFailureText(const std::string& host, const std::string& reason);

} // namespace velomira
