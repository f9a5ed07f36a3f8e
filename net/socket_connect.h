#pragma once
// Opening a TCP connection with a bounded wait.
#include "net/http_client_config.h"
#include "net/socket_handle.h"

#include <string>
#include <string_view>

namespace velomira {

// Resolves host (IPv4; names inside config.fallbackDomainSuffix fall back to
// config.fallbackAddress when they do not resolve), connects within config.connectTimeout and
// sets the send and receive time-outs to config.ioTimeout. On failure returns an invalid
// Socket and puts the reason text into errorText.
Socket connectWithTimeout(std::string_view host, int port, const HttpClientConfig& config,
                          std::string& errorText);

} // namespace velomira
