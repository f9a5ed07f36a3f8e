#pragma once
// Starting TLS on a connected socket: server name indication, the chain checked against the
// trust store and the certificate checked against the host name, every wait bounded by the
// request's deadline and stop check.
#include "net/connection.h"
#include "net/http_deadline.h"
#include "net/socket_wait.h"
#include "net/tls_context.h"

#include <chrono>
#include <string>

namespace velomira {

struct TlsStart {
    WaitOutcome wait = WaitOutcome::Ready; // DeadlinePassed or Stopped: the caller's text
    std::string errorText;                 // otherwise, on failure
};

// Shakes hands on connection.socket (left non-blocking) and on success sets connection.tls.
// sessionKey names the host's kept session, offered for resumption and replaced afterwards.
TlsStart startTls(TlsContext& tls, Connection& connection, const std::string& host,
                  const std::string& sessionKey, const RequestDeadline& deadline,
                  std::chrono::milliseconds ioTimeout);

} // namespace velomira
