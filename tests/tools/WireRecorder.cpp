#include "WireRecorder.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace wiretest {
namespace {

constexpr int RelayTimeoutMs = 60000;

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Copies what `from` has to `to` and keeps it; false once `from` is closed.
bool pass(int from, int to, std::string& kept) {
    char buffer[16384];
    const ssize_t got = ::recv(from, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    kept.append(buffer, static_cast<std::size_t>(got));
    ::send(to, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL);
    return true;
}

std::string hexByte(unsigned char b) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", b);
    return text;
}

}  // namespace

WireRecorder::WireRecorder(int serverPort) : serverPort_(serverPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 1) != 0 || pipe2(stopPipe_, O_CLOEXEC) != 0) {
        ::close(listener_);
        throw std::runtime_error("cannot set up the wire recorder");
    }
    socklen_t length = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { relay(); });
}

WireRecorder::~WireRecorder() {
    if (stopPipe_[1] >= 0 && ::write(stopPipe_[1], "x", 1) < 0) {
        // the relay then ends at its own time-out
    }
    finish();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

void WireRecorder::finish() {
    if (thread_.joinable()) thread_.join();
}

const std::string& WireRecorder::clientBytes() {
    finish();
    return fromClient_;
}

const std::string& WireRecorder::serverBytes() {
    finish();
    return fromServer_;
}

void WireRecorder::relay() {
    pollfd waiting[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (::poll(waiting, 2, RelayTimeoutMs) <= 0 || waiting[1].revents) return;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    const int server = connectTo(serverPort_);
    if (server < 0) {
        ::close(client);
        return;
    }
    for (;;) {
        pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 3, RelayTimeoutMs) <= 0 || fds[2].revents) break;
        if (fds[0].revents && !pass(client, server, fromClient_)) break;
        if (fds[1].revents && !pass(server, client, fromServer_)) break;
    }
    ::close(client);
    ::close(server);
}

std::vector<std::string> wireUnits(std::string_view bytes) {
    std::vector<std::string> units;
    auto add = [&](std::string unit) {
        if (units.empty() || units.back() != unit) units.push_back(std::move(unit));
    };
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char first = at(i);
        if (first >= 0x14 && first <= 0x17 && i + 5 <= bytes.size() && at(i + 1) == 0x03) {
            // A TLS record: type, version 3.x, length.
            i += 5 + (std::size_t(at(i + 3)) << 8 | at(i + 4));
            add("tls");
        } else if (first >= 0x01 && first <= 0x12 && i + 8 <= bytes.size()) {
            const std::size_t length = std::size_t(at(i + 2)) << 8 | at(i + 3);
            if (length < 8) break;
            const bool tls = length > 9 && i + 9 < bytes.size() && at(i + 8) >= 0x14 &&
                             at(i + 8) <= 0x17 && at(i + 9) == 0x03;
            add("tds " + hexByte(first) + (tls ? " tls" : ""));
            i += length;
        } else {
            break;
        }
    }
    if (i < bytes.size()) units.push_back("junk");
    return units;
}

}  // namespace wiretest
