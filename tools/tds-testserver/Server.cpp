#include "tds-testserver/Server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "tds-testserver/Log.h"
#include "tds-testserver/Session.h"
#include "tds-testserver/TlsContext.h"

namespace tdsserver {

Server::Server(ServerConfig config, std::uint16_t port) : config_(std::move(config)) {
    if (config_.encrypt != EncryptMode::Off)
        tls_ = std::make_unique<TlsContext>(config_.certificateFile, config_.keyFile);
    listener_ = SocketFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener_.valid())
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    int on = 1;
    setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("bind 127.0.0.1:" + std::to_string(port) + ": " +
                                 std::strerror(errno));
    if (::listen(listener_.get(), 64) != 0)
        throw std::runtime_error(std::string("listen: ") + std::strerror(errno));
    socklen_t len = sizeof addr;
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

Server::~Server() { stopAll(); }

void Server::run(int stopFd) {
    for (;;) {
        pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, 1000);
        if (ready < 0 && errno != EINTR)
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        reapFinished();
        if (ready <= 0) continue;
        if (fds[1].revents) break;
        if (!(fds[0].revents & POLLIN)) continue;
        SocketFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client.valid()) {
            logLine(std::string("accept: ") + std::strerror(errno));
            continue;
        }
        int on = 1;
        setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        auto session = std::make_shared<Session>(std::move(client), config_, tls_.get());
        clients_.push_back({session, std::thread([session] { session->run(); })});
    }
    logLine("stopping");
    stopAll();
}

void Server::reapFinished() {
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (it->session->finished()) {
            it->thread.join();
            it = clients_.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::stopAll() noexcept {
    for (Client& c : clients_) c.session->stop();
    for (Client& c : clients_)
        if (c.thread.joinable()) c.thread.join();
    clients_.clear();
}

}  // namespace tdsserver
