#pragma once
// Idle keep-alive connections by "host:port". Only the map is touched under the lock;
// connecting happens outside it. A socket is in the pool only while idle.
#include "net/http_client_config.h"
#include "net/socket_handle.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

class ConnectionPool {
  public:
    ConnectionPool() = default;
    ~ConnectionPool() = default; // the idle sockets close with their handles
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    // The most recently given idle socket for host:port, else a new connection (counted).
    // On failure an invalid Socket and the connector's text in errorText.
    Socket take(std::string_view host, int port, const HttpClientConfig& config,
                std::string& errorText);
    // Only the idle one, or an invalid Socket.
    Socket takeIdle(std::string_view host, int port);
    void give(std::string_view host, int port, Socket socket);

    int openedCount() const { return opened_.load(); }
    std::size_t idleCount() const;

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Socket>, std::less<>> idle_;
    std::atomic<int> opened_{0};
};

std::string poolKey(std::string_view host, int port);

} // namespace velomira
