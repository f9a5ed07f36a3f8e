#include "net/chunked_body.h"

#include "net/http_text.h"
#include "platform/hex_digit.h"

#include <algorithm>
#include <optional>

namespace velomira {

namespace {

struct ChunkSize {
    std::optional<long long> value; // empty when the line holds no hex digit
    std::string_view digits;        // as received, for the failure text
};

// Values above the body limit saturate just above it, so no size can overflow.
ChunkSize parseChunkSize(std::string_view line) {
    if (line.size() >= 2 && line[0] == '0' && (line[1] == 'x' || line[1] == 'X'))
        line.remove_prefix(2);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    ChunkSize size;
    std::size_t count = 0;
    long long value = 0;
    for (; count < line.size() && hexDigitValue(line[count]) >= 0; ++count)
        value = std::min<long long>(value * 16 + hexDigitValue(line[count]),
                                    static_cast<long long>(kHttpBodyLimit) + 1);
    size.digits = line.substr(0, count);
    if (count > 0)
        size.value = value;
    return size;
}

void fail(ChunkedBody& result, std::string message) {
    result.failed = true;
    result.message = std::move(message);
}

void noteReceive(ChunkedBody& result, long got, const ByteSource& source) {
    result.lastResult = got;
    result.lastError = got < 0 ? source.error() : 0;
}

// Reads the trailer after the last chunk: done at an empty line, or at the blank line that ends
// trailer header lines.
void readTrailer(ByteSource& source, ReceiveBuffer& buffer, ChunkedBody& result) {
    for (;;) {
        std::string_view held = buffer.view();
        if (held.starts_with("\r\n")) {
            buffer.drop(2);
            break;
        }
        std::size_t end = held.find("\r\n\r\n");
        if (end != std::string_view::npos) {
            buffer.drop(end + 4);
            break;
        }
        if (buffer.full()) {
            fail(result,
                 formatText("读取完 HTTP_BUFFER_SIZE 长度, 也没有找到 chunk 最后一个结束符"));
            return;
        }
        long got = buffer.fill(source);
        noteReceive(result, got, source);
        if (got <= 0) {
            fail(result,
                 formatText(
                     "读取chunk最后的结束符时出错: syCount:%d, bufferSize:%d, ret:%d, errno:%d",
                     static_cast<int>(buffer.size), static_cast<int>(buffer.space()),
                     static_cast<int>(got), result.lastError));
            return;
        }
    }
    result.completed = true;
    result.leftover = buffer.size > 0;
}

// A receive that failed where the next chunk's size line or a chunk's line end was due.
void failBetweenChunks(ChunkedBody& result, long long sizes, long got) {
    fail(result, formatText("读取失败3: body大小:%u, 实际接收到的body大小:%d, ret:%d, errno:%d",
                            static_cast<unsigned>(sizes), result.readTotal, static_cast<int>(got),
                            result.lastError));
}

// Skips the line end that closes a chunk's data, if it is there.
bool skipChunkEnd(ByteSource& source, ReceiveBuffer& buffer, ChunkedBody& result, long long sizes) {
    for (char expected : {'\r', '\n'}) {
        if (buffer.size == 0) {
            long got = buffer.fill(source);
            noteReceive(result, got, source);
            if (got <= 0) {
                failBetweenChunks(result, sizes, got);
                return false;
            }
        }
        if (buffer.view().front() != expected)
            return true;
        buffer.drop(1);
    }
    return true;
}

} // namespace

ChunkedBody decodeChunkedBody(ByteSource& source, ReceiveBuffer& buffer) {
    ChunkedBody result;
    long long sizes = 0; // total of the announced chunk sizes
    for (;;) {
        std::size_t lineEnd;
        while ((lineEnd = buffer.view().find("\r\n")) == std::string_view::npos) {
            if (buffer.full()) {
                fail(result,
                     formatText("读取完 HTTP_BUFFER_SIZE 长度, 也没有找到 chunk 大小行的结束符"));
                return result;
            }
            long got = buffer.fill(source);
            noteReceive(result, got, source);
            if (got <= 0) {
                failBetweenChunks(result, sizes, got);
                return result;
            }
        }
        ChunkSize size = parseChunkSize(buffer.view().substr(0, lineEnd));
        if (!size.value) {
            // Not a size at all: taking it for the last chunk would pass a cut body as whole.
            fail(result, formatText("不正常: 这里就有问题了, chunksize:%d", -1));
            return result;
        }
        if (*size.value > kHttpBodyLimit - sizes) {
            fail(result, formatText("header.isChunked, chunksize:%.16s, readTotal:%d > 10M",
                                    std::string(size.digits).c_str(), result.readTotal));
            return result;
        }
        buffer.drop(lineEnd + 2);
        if (*size.value == 0) {
            readTrailer(source, buffer, result);
            return result;
        }
        std::size_t chunk = static_cast<std::size_t>(*size.value);
        sizes += *size.value;
        std::size_t copied = std::min(chunk, buffer.size);
        result.body.append(buffer.view().data(), copied);
        buffer.drop(copied);
        // The rest grows with what arrives, not with what the size line claims.
        while (copied < chunk) {
            std::size_t start = result.body.size();
            std::size_t want = std::min(chunk - copied, kHttpBufferSize);
            result.body.resize(start + want);
            long got = source.receive(result.body.data() + start, want);
            noteReceive(result, got, source);
            result.body.resize(start + (got > 0 ? static_cast<std::size_t>(got) : 0));
            if (got <= 0) {
                result.readTotal = static_cast<int>(result.body.size());
                return result;
            }
            copied += static_cast<std::size_t>(got);
        }
        result.readTotal = static_cast<int>(result.body.size());
        if (!skipChunkEnd(source, buffer, result, sizes))
            return result;
    }
}

} // namespace velomira
