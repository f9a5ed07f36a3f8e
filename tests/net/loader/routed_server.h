#pragma once
// A test server that answers by request target from a table (404 for anything else), and
// small helpers the loader tests share.
#include "support/http_test_server.h"

#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace velomira::testing {

class RoutedServer {
  public:
    RoutedServer()
        : server_([this](const test::ReceivedRequest& request) { return answer(request); }) {}

    // requiredHeader: a header line the request must carry, else the answer is 403.
    void route(const std::string& target, test::ScriptedReply reply,
               const std::string& requiredHeader = "") {
        std::lock_guard<std::mutex> guard(lock_);
        routes_[target] = Route{std::move(reply), requiredHeader};
    }
    void route(const std::string& target, const std::string& body) {
        route(target, test::okReply(body));
    }

    std::string url(const std::string& path) const { return server_.url(path); }
    // "127.0.0.1:PORT"
    std::string hostAndPort() const { return "127.0.0.1:" + std::to_string(server_.port()); }

    std::vector<std::string> targets() const {
        std::vector<std::string> seen;
        for (const test::ReceivedRequest& request : server_.requests())
            seen.push_back(request.target);
        return seen;
    }
    std::vector<test::ReceivedRequest> requests() const { return server_.requests(); }

  private:
    test::ScriptedReply answer(const test::ReceivedRequest& request) {
        std::lock_guard<std::mutex> guard(lock_);
        auto found = routes_.find(request.target);
        if (found == routes_.end())
            return test::statusReply("HTTP/1.1 404 Not Found");
        const Route& route = found->second;
        if (!route.requiredHeader.empty() &&
            request.head.find("\r\n" + route.requiredHeader + "\r\n") == std::string::npos &&
            !request.head.ends_with("\r\n" + route.requiredHeader))
            return test::statusReply("HTTP/1.1 403 Forbidden");
        return route.reply;
    }

    struct Route {
        test::ScriptedReply reply;
        std::string requiredHeader;
    };

    std::mutex lock_;
    std::map<std::string, Route> routes_;
    test::HttpTestServer server_; // last: its threads stop before the table goes
};

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace velomira::testing
