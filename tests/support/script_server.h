#pragma once
// The Python servers of tests/net/servers, started by a test on 127.0.0.1, and the test
// certificates made once per test program with openssl. The client trusts the test authority
// through SSL_CERT_FILE, as a user's program would trust a special site's.
#include "support/program_run.h"
#include "support/source_root.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace velomira::test {

inline std::string serverScript(const std::string& name) {
    return (testing::sourceRoot() / "tests" / "net" / "servers" / name).string();
}

// The folder holding ca.pem, good.pem, expired.pem, wronghost.pem, selfsigned.pem and
// unknownca.pem (see make_certs.sh); SSL_CERT_FILE names ca.pem from then on.
inline const std::string& testCertificates() {
    static testing::TempFolder folder;
    static const std::string made = [] {
        const std::string dir = folder.file("certs");
        const std::string command = serverScript("make_certs.sh") + " '" + dir + "'";
        if (std::system(command.c_str()) != 0)
            return std::string();
        ::setenv("SSL_CERT_FILE", (dir + "/ca.pem").c_str(), 1);
        return dir;
    }();
    return made;
}

// One script server; stopped and waited for when dropped.
class ScriptServer {
  public:
    explicit ScriptServer(std::vector<std::string> args) {
        args.insert(args.begin(), "python3");
        pid_ = testing::startProgram({args, {}, out_.file("out"), out_.file("err")});
        // The script prints its port once it listens; a loaded machine may take a while.
        for (int i = 0; i < 3000 && port_ == 0 && pid_ > 0; ++i) {
            std::ifstream in(out_.file("out"));
            std::string line;
            if (std::getline(in, line) && in.good())
                port_ = std::atoi(line.c_str());
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~ScriptServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            testing::waitForProgram(pid_);
        }
    }
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& scheme, const std::string& host,
                    const std::string& path) const {
        return scheme + "://" + host + ":" + std::to_string(port_) + path;
    }

  private:
    testing::TempFolder out_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// A TLS server of tls_server.py in the given mode with the named certificate.
inline std::vector<std::string> tlsServer(const std::string& mode, const std::string& cert) {
    return {serverScript("tls_server.py"), mode, testCertificates(), cert};
}

// The bytes tls_server.py serves at /picture.
inline std::string servedPicture() {
    std::string bytes;
    for (int round = 0; round < 1000; ++round)
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    return bytes;
}

} // namespace velomira::test
