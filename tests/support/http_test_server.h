#pragma once
// A real HTTP server on 127.0.0.1 (port chosen by the kernel) for the network tests. Replies
// are scripted byte for byte: pieces with pauses between them, a close after any piece, or
// no answer at all, so the client meets slow, split, lying and closing servers on real sockets.
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace velomira::test {

// One request as the server read it (head only; the client never sends a body).
struct ReceivedRequest {
    std::string head;     // request line and header lines, without the final blank line
    std::string method;   // "GET"
    std::string target;   // "/path?query" as sent
    int connectionId = 0; // 1 for the first accepted connection, 2 for the next, ...
};

struct ReplyPiece {
    std::string bytes;
    std::chrono::milliseconds pauseBefore{0};
};

struct ScriptedReply {
    std::vector<ReplyPiece> pieces;
    bool closeAfter = false;  // close the connection once the pieces are sent
    bool neverAnswer = false; // read the request, then send nothing and keep the connection open
};

// A 200 reply with Content-Length and the given body (and extra header lines, each ending in
// "\r\n").
ScriptedReply okReply(const std::string& body, const std::string& extraHeaders = "");
// Any status line ("HTTP/1.1 404 Not Found") with an empty body and Content-Length: 0.
ScriptedReply statusReply(const std::string& statusLine, const std::string& extraHeaders = "");

class HttpTestServer {
  public:
    using Handler = std::function<ScriptedReply(const ReceivedRequest&)>;

    // Starts listening at once; the handler runs on the server's threads (one per connection)
    // and may be called concurrently.
    explicit HttpTestServer(Handler handler);
    ~HttpTestServer(); // closes every connection and joins the threads
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int port() const;
    // "http://127.0.0.1:PORT" followed by path (which starts with "/").
    std::string url(const std::string& path) const;

    int connectionCount() const;                   // connections accepted so far
    std::vector<ReceivedRequest> requests() const; // every request read so far, in order

    // Closes every idle or open connection from the server side (a keep-alive connection the
    // client pooled then finds its socket closed).
    void closeAllConnections();

  private:
    struct State;
    State* state_;
};

} // namespace velomira::test
