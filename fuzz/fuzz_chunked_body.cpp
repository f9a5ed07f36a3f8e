// Feeds arbitrary bytes as a chunked body to the decoder. The first byte is the receive piece
// size (0 means 8192). The decoded body must never pass the 10 MiB limit, must match the count
// it reports, and an ended body is either complete or failed with a text, never both.
#include "net/chunked_body.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::size_t piece = data[0] == 0 ? velomira::kHttpBufferSize : data[0];
    velomira::MemorySource source(
        std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), piece);
    velomira::ReceiveBuffer buffer;
    velomira::ChunkedBody body = velomira::decodeChunkedBody(source, buffer);
    if (body.body.size() > static_cast<std::size_t>(velomira::kHttpBodyLimit) ||
        static_cast<std::size_t>(body.readTotal) != body.body.size() ||
        (body.completed && body.failed) || body.failed == body.message.empty() ||
        buffer.size > velomira::kHttpBufferSize)
        std::abort();
    return 0;
}
