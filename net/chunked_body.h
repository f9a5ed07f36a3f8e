#pragma once
// Decoding a chunked body: size lines (hex, "0x" and leading blanks allowed, extensions
// ignored), chunk data, the last chunk and its trailer. The total obeys the 10 MiB body limit.
#include "net/http_byte_source.h"
#include "net/http_head.h"

#include <string>

namespace velomira {

struct ChunkedBody {
    bool completed = false; // the last chunk and its final empty line were read
    bool failed = false;    // stopped with a reason in message
    std::string message;
    std::string body;      // the joined chunk data received so far
    int readTotal = 0;     // body bytes received
    bool leftover = false; // bytes followed the end: the connection is not fit for reuse
    long lastResult = 0;   // result and errno of the last receive
    int lastError = 0;
};

// Decodes from the bytes already in buffer (just after the head) onwards. A receive that ends
// or fails inside a chunk stops the decoding without completed and without failed.
ChunkedBody decodeChunkedBody(ByteSource& source, ReceiveBuffer& buffer);

} // namespace velomira
