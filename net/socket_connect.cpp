#include "net/socket_connect.h"

#include "net/connect_failure_text.h"
#include "net/http_text.h"
#include "net/socket_wait.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace velomira {

namespace {

// Fills address; on failure resolverCode keeps getaddrinfo's code (0 when it was not asked).
bool resolve(const std::string& host, const HttpClientConfig& config, in_addr& address,
             int& resolverCode) {
    resolverCode = 0;
    if (!host.empty()) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        resolverCode = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
        if (resolverCode == 0 && found != nullptr) {
            address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
            ::freeaddrinfo(found);
            return true;
        }
        if (found != nullptr)
            ::freeaddrinfo(found);
    }
    if (!config.fallbackDomainSuffix.empty() &&
        host.find(config.fallbackDomainSuffix) != std::string::npos)
        return ::inet_pton(AF_INET, config.fallbackAddress.c_str(), &address) == 1;
    return false;
}

std::string connectFailure(int code) {
    return withReason(formatText("使用非阻塞方式连接发生错误，错误码:%d", code),
                      connectErrnoReason(code));
}

void setTimeouts(int fd, std::chrono::milliseconds limit) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(limit.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((limit.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
}

// Waits for a non-blocking connect to finish; empty text on success.
std::string awaitConnect(int fd, std::chrono::milliseconds limit, const RequestDeadline* deadline) {
    int error = 0;
    switch (waitForSocket(fd, POLLOUT, deadline, limit, error)) {
    case WaitOutcome::Ready:
        break;
    case WaitOutcome::TimedOut:
    case WaitOutcome::DeadlinePassed:
        return "使用非阻塞方式连接超时。";
    case WaitOutcome::Stopped:
        return kRequestStoppedText;
    case WaitOutcome::Failed:
        return connectFailure(error);
    }
    // Writable also means "failed" (refused, unreachable): the socket's own error says which.
    int failure = 0;
    socklen_t length = sizeof failure;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) != 0)
        failure = errno;
    if (failure != 0)
        return connectFailure(failure);
    return {};
}

} // namespace

Socket connectWithTimeout(std::string_view host, int port, const HttpClientConfig& config,
                          std::string& errorText, const RequestDeadline* deadline) {
    std::string name(host);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(port));
    int resolverCode = 0;
    if (!resolve(name, config, target.sin_addr, resolverCode)) {
        errorText = withReason("无法解析域名: " + name, resolverReason(resolverCode));
        return {};
    }
    Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.valid()) {
        errorText = "INVALID_SOCKET";
        return {};
    }
    int flags = ::fcntl(socket.fd(), F_GETFL);
    bool nonBlocking = flags >= 0 && ::fcntl(socket.fd(), F_SETFL, flags | O_NONBLOCK) == 0;
    int result = ::connect(socket.fd(), reinterpret_cast<sockaddr*>(&target), sizeof target);
    if (nonBlocking) {
        if (result != 0) {
            if (errno != EINPROGRESS) {
                errorText = connectFailure(errno);
                return {};
            }
            errorText = awaitConnect(socket.fd(), config.connectTimeout, deadline);
            if (!errorText.empty())
                return {};
        }
        if (::fcntl(socket.fd(), F_SETFL, flags) != 0) {
            errorText = formatText("将socket重置为阻塞模式出错, 错误码:%d\n", errno);
            return {};
        }
    } else if (result != 0) {
        errorText = "socket bio connect() failed";
        return {};
    }
    setTimeouts(socket.fd(), config.ioTimeout);
    return socket;
}

} // namespace velomira
