// The scripted server: one accept thread, one thread per connection. Every socket is touched
// only by its own thread, except that shutdown() from the owner (closeAllConnections, the
// destructor) wakes a thread blocked in recv, send or poll; the fd is closed only by its thread,
// after it left the shared list, so a shutdown never hits a reused descriptor.
#include "support/http_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace velomira::test {

namespace {

// A request head larger than this is not a request we scripted for: drop the connection.
constexpr std::size_t kMaxRequestHead = 1 << 20;

struct Connection {
    int fd = -1;
    int id = 0;
    bool closing = false; // set under the state mutex when the owner wants it gone
};

} // namespace

struct HttpTestServer::State {
    Handler handler;
    int listenFd = -1;
    int wakeRead = -1; // the accept thread polls this too, so the destructor can stop it
    int wakeWrite = -1;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable changed; // pauses and the never-answer wait watch this
    bool stopping = false;
    int accepted = 0;
    std::vector<ReceivedRequest> requests;
    std::vector<std::shared_ptr<Connection>> open;
    std::vector<std::thread> workers;
    std::thread acceptThread;

    void acceptLoop();
    void serve(std::shared_ptr<Connection> conn);
    bool shouldEnd(const Connection& conn) const { return stopping || conn.closing; }
};

ScriptedReply okReply(const std::string& body, const std::string& extraHeaders) {
    ScriptedReply reply;
    reply.pieces.push_back({"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\n" + extraHeaders + "\r\n" + body,
                            std::chrono::milliseconds(0)});
    return reply;
}

ScriptedReply statusReply(const std::string& statusLine, const std::string& extraHeaders) {
    ScriptedReply reply;
    reply.pieces.push_back({statusLine + "\r\nContent-Length: 0\r\n" + extraHeaders + "\r\n", {}});
    return reply;
}

namespace {

bool sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads one request head into `head` (without the blank line); bytes after it stay in
// `pending`. False when the peer closed or sent something unbounded.
bool readHead(int fd, std::string& pending, std::string& head) {
    for (;;) {
        std::size_t end = pending.find("\r\n\r\n");
        if (end != std::string::npos) {
            head = pending.substr(0, end);
            pending.erase(0, end + 4);
            return true;
        }
        if (pending.size() > kMaxRequestHead)
            return false;
        char buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

ReceivedRequest describe(const std::string& head, int connectionId) {
    ReceivedRequest request;
    request.head = head;
    request.connectionId = connectionId;
    std::string line = head.substr(0, head.find("\r\n"));
    std::size_t space = line.find(' ');
    request.method = line.substr(0, space);
    if (space != std::string::npos) {
        std::size_t second = line.find(' ', space + 1);
        request.target = line.substr(space + 1, second == std::string::npos ? std::string::npos
                                                                            : second - space - 1);
    }
    return request;
}

} // namespace

void HttpTestServer::State::serve(std::shared_ptr<Connection> conn) {
    const int fd = conn->fd;
    std::string pending;
    std::string head;
    bool keepGoing = true;
    while (keepGoing && readHead(fd, pending, head)) {
        ReceivedRequest request = describe(head, conn->id);
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests.push_back(request);
        }
        ScriptedReply reply = handler(request);
        if (reply.neverAnswer) {
            // Hold the connection open until the client or the owner ends it; swallow
            // whatever the client still sends.
            for (;;) {
                {
                    std::unique_lock<std::mutex> lock(mutex);
                    if (changed.wait_for(lock, std::chrono::milliseconds(20),
                                         [&] { return shouldEnd(*conn); }))
                        break;
                }
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 0) > 0) {
                    char sink[4096];
                    if (::recv(fd, sink, sizeof sink, 0) <= 0)
                        break;
                }
            }
            break;
        }
        for (const ReplyPiece& piece : reply.pieces) {
            if (piece.pauseBefore.count() > 0) {
                std::unique_lock<std::mutex> lock(mutex);
                if (changed.wait_for(lock, piece.pauseBefore, [&] { return shouldEnd(*conn); }))
                    keepGoing = false;
            }
            if (!keepGoing || !sendAll(fd, piece.bytes)) {
                keepGoing = false;
                break;
            }
        }
        if (reply.closeAfter)
            keepGoing = false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        open.erase(std::remove(open.begin(), open.end(), conn), open.end());
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

void HttpTestServer::State::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & POLLIN))
            return;
        int fd = ::accept(listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        // A client that stops reading must not pin a server thread forever.
        timeval sendLimit{20, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping) {
            ::close(fd);
            return;
        }
        auto conn = std::make_shared<Connection>();
        conn->fd = fd;
        conn->id = ++accepted;
        open.push_back(conn);
        workers.emplace_back([this, conn] { serve(conn); });
    }
}

HttpTestServer::HttpTestServer(Handler handler) : state_(new State) {
    state_->handler = std::move(handler);
    int pipeFds[2];
    state_->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (state_->listenFd < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (state_->listenFd >= 0)
            ::close(state_->listenFd);
        delete state_;
        throw std::runtime_error("test server: no socket");
    }
    state_->wakeRead = pipeFds[0];
    state_->wakeWrite = pipeFds[1];
    int yes = 1;
    ::setsockopt(state_->listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(state_->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(state_->listenFd, 64) != 0 ||
        ::getsockname(state_->listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(state_->listenFd);
        ::close(state_->wakeRead);
        ::close(state_->wakeWrite);
        delete state_;
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    }
    state_->port = ntohs(address.sin_port);
    state_->acceptThread = std::thread([s = state_] { s->acceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopping = true;
        for (const auto& conn : state_->open)
            ::shutdown(conn->fd, SHUT_RDWR);
    }
    state_->changed.notify_all();
    char byte = 1;
    while (::write(state_->wakeWrite, &byte, 1) < 0 && errno == EINTR) {
    }
    state_->acceptThread.join();
    // No worker is added after the accept thread ended.
    for (std::thread& worker : state_->workers)
        worker.join();
    ::close(state_->listenFd);
    ::close(state_->wakeRead);
    ::close(state_->wakeWrite);
    delete state_;
}

int HttpTestServer::port() const {
    return state_->port;
}

std::string HttpTestServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(state_->port) + path;
}

int HttpTestServer::connectionCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->accepted;
}

std::vector<ReceivedRequest> HttpTestServer::requests() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->requests;
}

void HttpTestServer::closeAllConnections() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    for (const auto& conn : state_->open) {
        conn->closing = true;
        ::shutdown(conn->fd, SHUT_RDWR);
    }
    lock.unlock();
    state_->changed.notify_all();
    // Wait until every thread has let go of its socket, so the client sees the close at once.
    for (int i = 0; i < 500; ++i) {
        lock.lock();
        bool gone = std::none_of(state_->open.begin(), state_->open.end(),
                                 [](const auto& conn) { return conn->closing; });
        lock.unlock();
        if (gone)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace velomira::test
