// Feeds arbitrary bytes as a server's reply to the reply reader. The first byte picks the
// mode (bit 0: keep-alive) and the receive piece size (the other bits; 0 means 8192), so split
// lines and interim heads meet every buffer position. Whatever arrives, the result must stay
// within the limits and be either a success without a text or a failure with one.
#include "net/http_head.h"
#include "net/http_reply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    bool keepAlive = (data[0] & 1) != 0;
    std::size_t piece = data[0] >> 1 == 0 ? velomira::kHttpBufferSize : data[0] >> 1;
    velomira::MemorySource source(
        std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), piece);
    velomira::HttpReply reply = velomira::readHttpReply(source, "http://h/dir/page", keepAlive);
    if (reply.body.size() > static_cast<std::size_t>(velomira::kHttpBodyLimit) ||
        reply.header.size() >= velomira::kHttpBufferSize)
        std::abort();
    switch (reply.outcome) {
    case velomira::ReplyOutcome::Success:
        if (!reply.message.empty() || !reply.hasHeader)
            std::abort();
        break;
    case velomira::ReplyOutcome::Redirect:
        if (reply.location.empty() || reply.location.size() >= velomira::kLocationSize)
            std::abort();
        break;
    case velomira::ReplyOutcome::Failure:
        if (reply.message.empty() || !reply.body.empty() || reply.reusable)
            std::abort();
        break;
    }
    return 0;
}
