#include "net/connection_pool.h"

namespace velomira {

std::string poolKey(std::string_view host, int port, bool secure) {
    return (secure ? "https://" : "") + std::string(host) + ":" + std::to_string(port);
}

Connection ConnectionPool::takeIdle(std::string_view key) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = idle_.find(key);
    if (found == idle_.end() || found->second.empty())
        return {};
    Connection connection = std::move(found->second.back());
    found->second.pop_back();
    return connection;
}

void ConnectionPool::give(std::string_view key, Connection connection) {
    if (!connection.valid())
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    idle_[std::string(key)].push_back(std::move(connection));
}

std::size_t ConnectionPool::idleCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t count = 0;
    for (const auto& entry : idle_)
        count += entry.second.size();
    return count;
}

} // namespace velomira
