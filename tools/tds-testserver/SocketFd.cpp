#include "tds-testserver/SocketFd.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tds-testserver/TdsError.h"

namespace tdsserver {

SocketFd::SocketFd(SocketFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

SocketFd& SocketFd::operator=(SocketFd&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

SocketFd::~SocketFd() { close(); }

void SocketFd::close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool SocketFd::readExact(void* data, std::size_t n, bool atBoundary, int timeoutMs) {
    auto* out = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < n) {
        if (done > 0 || !atBoundary) {
            pollfd p{fd_, POLLIN, 0};
            int r = ::poll(&p, 1, timeoutMs);
            if (r == 0) throw ProtocolError("client stopped sending in the middle of a packet");
            if (r < 0 && errno != EINTR)
                throw ProtocolError(std::string("poll: ") + std::strerror(errno));
        }
        ssize_t got = ::recv(fd_, out + done, n - done, 0);
        if (got == 0) {
            if (done == 0 && atBoundary) return false;
            throw ProtocolError("client closed the connection in the middle of a packet");
        }
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            throw ProtocolError(std::string("recv: ") + std::strerror(errno));
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

void SocketFd::writeAll(const void* data, std::size_t n) {
    auto* in = static_cast<const unsigned char*>(data);
    while (n > 0) {
        ssize_t sent = ::send(fd_, in, n, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            throw ProtocolError(std::string("send: ") + std::strerror(errno));
        }
        in += sent;
        n -= static_cast<std::size_t>(sent);
    }
}

bool SocketFd::readable() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR));
}

void SocketFd::shutdownBoth() noexcept {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace tdsserver
