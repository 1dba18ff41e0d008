#pragma once
#include <cstddef>
#include <memory>

namespace tdsserver {

class SocketFd;
class TlsSession;

// The byte stream a session's packets travel on: the bare socket, or TLS over
// it once a handshake has been made (for the login record only, or for good).
class Transport {
public:
    explicit Transport(SocketFd& socket) noexcept;
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // As SocketFd's, through TLS while it is on.
    bool readExact(void* data, std::size_t n, bool atBoundary, int timeoutMs);
    void writeAll(const void* data, std::size_t n);
    bool readable() const;

    // From now on bytes go through tls, whose handshake is done.
    void startTls(std::unique_ptr<TlsSession> tls) noexcept;
    // Back to the bare socket, as after an encrypted login record. Throws
    // ProtocolError when the client had sent more than that record.
    void stopTls();
    bool encrypted() const noexcept { return static_cast<bool>(tls_); }

private:
    SocketFd& socket_;
    std::unique_ptr<TlsSession> tls_;
};

}  // namespace tdsserver
