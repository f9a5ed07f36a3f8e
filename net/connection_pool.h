#pragma once
// Idle keep-alive connections by route: plain and TLS connections to one host and port, and
// connections through a proxy, never stand in for each other. Only the map is touched under
// the lock; connecting happens outside it. A connection is in the pool only while idle. The
// TLS context lives here too, with the sessions it keeps for resumption.
#include "net/connection.h"
#include "net/tls_context.h"

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
    ~ConnectionPool() = default; // the idle connections close with their handles
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    // The most recently given idle connection for the route key, or an invalid one.
    Connection takeIdle(std::string_view key);
    void give(std::string_view key, Connection connection);
    // A new connection was opened for a pooled request.
    void countOpened() { ++opened_; }

    int openedCount() const { return opened_.load(); }
    std::size_t idleCount() const;

    TlsContext& tls() { return tls_; }

  private:
    TlsContext tls_; // first, so the idle TLS connections are gone before it
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Connection>, std::less<>> idle_;
    std::atomic<int> opened_{0};
};

// "host:port", and "https://host:port" for TLS: the key of a direct route.
std::string poolKey(std::string_view host, int port, bool secure = false);

} // namespace velomira
