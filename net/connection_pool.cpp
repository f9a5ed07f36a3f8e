#include "net/connection_pool.h"

#include "net/socket_connect.h"

namespace velomira {

std::string poolKey(std::string_view host, int port) {
    return std::string(host) + ":" + std::to_string(port);
}

Socket ConnectionPool::takeIdle(std::string_view host, int port) {
    std::string key = poolKey(host, port);
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Socket>& sockets = idle_[key];
    if (sockets.empty())
        return {};
    Socket socket = std::move(sockets.back());
    sockets.pop_back();
    return socket;
}

Socket ConnectionPool::take(std::string_view host, int port, const HttpClientConfig& config,
                            std::string& errorText) {
    Socket socket = takeIdle(host, port);
    if (socket.valid())
        return socket;
    socket = connectWithTimeout(host, port, config, errorText);
    if (socket.valid())
        ++opened_;
    return socket;
}

void ConnectionPool::give(std::string_view host, int port, Socket socket) {
    if (!socket.valid())
        return;
    std::string key = poolKey(host, port);
    std::lock_guard<std::mutex> lock(mutex_);
    idle_[key].push_back(std::move(socket));
}

std::size_t ConnectionPool::idleCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t count = 0;
    for (const auto& entry : idle_)
        count += entry.second.size();
    return count;
}

} // namespace velomira
