#pragma once
#include <cstddef>
#include <string>

namespace tdsserver {

// Owns one socket descriptor. Reads and writes whole buffers; failures throw
// ProtocolError with the system's text.
class SocketFd {
public:
    SocketFd() noexcept = default;
    explicit SocketFd(int fd) noexcept : fd_(fd) {}
    SocketFd(SocketFd&& other) noexcept;
    SocketFd& operator=(SocketFd&& other) noexcept;
    SocketFd(const SocketFd&) = delete;
    SocketFd& operator=(const SocketFd&) = delete;
    ~SocketFd();

    int get() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }

    // Reads exactly n bytes. Returns false on an orderly close before the first
    // byte when atBoundary; a close or a pause longer than timeoutMs in between throws.
    bool readExact(void* data, std::size_t n, bool atBoundary, int timeoutMs);
    void writeAll(const void* data, std::size_t n);
    // True when bytes are waiting to be read (or the peer has closed).
    bool readable() const;
    // Wakes a thread blocked in readExact on this socket (used at shutdown).
    void shutdownBoth() noexcept;

private:
    void close() noexcept;
    int fd_ = -1;
};

}  // namespace tdsserver
