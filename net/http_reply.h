#pragma once
// Reading one whole reply (head, interim 100 replies, status, body framing) from a byte source
// and deciding what it means. No sockets here, so every path runs on memory too.
#include "net/http_byte_source.h"

#include <string>
#include <string_view>

namespace velomira {

enum class ReplyOutcome { Success, Redirect, Failure };

struct HttpReply {
    ReplyOutcome outcome = ReplyOutcome::Failure;
    bool hasHeader = false;
    std::string header;    // the last head read, without the final blank line
    std::string body;      // Success
    std::string location;  // Redirect: the absolute target
    std::string message;   // Failure: the reason text
    bool reusable = false; // Success on keep-alive and the connection may serve another request
};

// keepAlive selects the framing rules of a pooled HTTP/1.1 request (a length or chunked end is
// required) against those of a one-shot HTTP/1.0 request (a body may run to the close).
HttpReply readHttpReply(ByteSource& source, std::string_view requestUrl, bool keepAlive);

} // namespace velomira
