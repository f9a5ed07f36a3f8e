#pragma once
// Sending a request's bytes over a plain or TLS connection, every wait bounded by the step's
// time-out, the request's deadline and its stop check.
#include "net/connection.h"
#include "net/http_deadline.h"

#include <chrono>
#include <string_view>

namespace velomira {

enum class SendOutcome { Sent, Failed, DeadlinePassed, Stopped };

SendOutcome sendAll(Connection& connection, std::string_view bytes, const RequestDeadline& deadline,
                    std::chrono::milliseconds ioTimeout);

} // namespace velomira
