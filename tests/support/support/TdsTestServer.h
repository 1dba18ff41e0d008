#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace support {

// A running tds-testserver on a free port of 127.0.0.1, serving the cluster of
// LIR2ORBIT_TEST_PG. Started by the constructor (which returns once the server
// listens), stopped with SIGTERM and waited for by the destructor. The server's
// log goes to the test's stderr.
class TdsTestServer {
public:
    TdsTestServer();
    TdsTestServer(std::string user, std::string password);
    // A server in one of its modes: `options` are added to its command line,
    // e.g. {"--tds-version", "7.1"} or {"--encrypt", "required"}.
    explicit TdsTestServer(std::vector<std::string> options);
    TdsTestServer(const TdsTestServer&) = delete;
    TdsTestServer& operator=(const TdsTestServer&) = delete;
    ~TdsTestServer();

    int port() const noexcept { return port_; }
    const std::string& host() const noexcept { return host_; }
    const std::string& user() const noexcept { return user_; }
    const std::string& password() const noexcept { return password_; }
    // "127.0.0.1:<port>", as db-lib's dbopen takes it.
    std::string address() const { return host_ + ":" + std::to_string(port_); }

    // Path of the server program, for tests that run it in its other modes.
    static std::string program();

private:
    void start(const std::vector<std::string>& options);

    std::string host_ = "127.0.0.1";
    std::string user_;
    std::string password_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace support
