#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

typedef struct ssl_st SSL;
typedef struct bio_st BIO;

namespace tdsserver {

class SocketFd;
class TlsContext;

// The server side of one TLS connection. OpenSSL works on memory buffers, so
// the handshake can travel inside TDS packets and the records after it straight
// on the socket; records are read from the socket one at a time, never beyond
// the last one the client sent.
class TlsSession {
public:
    TlsSession(const TlsContext& context, SocketFd& socket);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Runs the handshake: receive() gives the TLS bytes of the client's next
    // message, send() carries the server's bytes to it. Throws ProtocolError
    // with OpenSSL's reason when the handshake fails (after sending the alert).
    void handshake(const std::function<std::string()>& receive,
                   const std::function<void(std::string_view)>& send);

    // As SocketFd's, on the decrypted stream.
    bool readExact(void* data, std::size_t n, bool atBoundary, int timeoutMs);
    void writeAll(const void* data, std::size_t n);
    bool readable() const;
    // True when decrypted bytes wait that no read has taken yet.
    bool hasUnreadInput() const;

private:
    bool readRecord(bool atBoundary, int timeoutMs);
    std::string takeOutput();
    void flushOutput();

    SocketFd& socket_;
    SSL* ssl_ = nullptr;
    BIO* in_ = nullptr;   // owned by ssl_
    BIO* out_ = nullptr;  // owned by ssl_
    std::string plain_;
    std::size_t plainAt_ = 0;
};

}  // namespace tdsserver
