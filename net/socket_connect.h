#pragma once
// Opening a TCP connection with a bounded wait.
#include "net/http_client_config.h"
#include "net/http_deadline.h"
#include "net/socket_handle.h"

#include <string>
#include <string_view>

namespace velomira {

// Resolves host (IPv4; names inside config.fallbackDomainSuffix fall back to
// config.fallbackAddress when they do not resolve), connects within config.connectTimeout and
// sets the send and receive time-outs to config.ioTimeout. On failure returns an invalid
// Socket and puts the reason text into errorText. With a deadline, the wait for the connection
// also ends when the request is stopped.
Socket connectWithTimeout(std::string_view host, int port, const HttpClientConfig& config,
                          std::string& errorText, const RequestDeadline* deadline = nullptr);

} // namespace velomira
