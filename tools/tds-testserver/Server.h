#pragma once
#include <cstdint>
#include <list>
#include <memory>
#include <thread>

#include "tds-testserver/ServerConfig.h"
#include "tds-testserver/SocketFd.h"

namespace tdsserver {

class Session;
class TlsContext;

// Listens on 127.0.0.1 and serves each client on a thread of its own.
class Server {
public:
    // Binds and listens; port 0 picks a free one. Throws std::runtime_error.
    Server(ServerConfig config, std::uint16_t port);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    std::uint16_t port() const noexcept { return port_; }

    // Accepts clients until stopFd becomes readable, then closes every client
    // connection and waits for their threads.
    void run(int stopFd);

private:
    struct Client {
        std::shared_ptr<Session> session;
        std::thread thread;
    };
    void reapFinished();
    void stopAll() noexcept;

    ServerConfig config_;
    std::unique_ptr<TlsContext> tls_;
    SocketFd listener_;
    std::uint16_t port_ = 0;
    std::list<Client> clients_;
};

}  // namespace tdsserver
