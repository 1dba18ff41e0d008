#include "tds-testserver/Transport.h"

#include "tds-testserver/SocketFd.h"
#include "tds-testserver/TdsError.h"
#include "tds-testserver/TlsSession.h"

namespace tdsserver {

Transport::Transport(SocketFd& socket) noexcept : socket_(socket) {}

Transport::~Transport() = default;

bool Transport::readExact(void* data, std::size_t n, bool atBoundary, int timeoutMs) {
    if (tls_) return tls_->readExact(data, n, atBoundary, timeoutMs);
    return socket_.readExact(data, n, atBoundary, timeoutMs);
}

void Transport::writeAll(const void* data, std::size_t n) {
    if (tls_)
        tls_->writeAll(data, n);
    else
        socket_.writeAll(data, n);
}

bool Transport::readable() const { return tls_ ? tls_->readable() : socket_.readable(); }

void Transport::startTls(std::unique_ptr<TlsSession> tls) noexcept { tls_ = std::move(tls); }

void Transport::stopTls() {
    if (tls_ && tls_->hasUnreadInput())
        throw ProtocolError("client sent more than its login record encrypted");
    tls_.reset();
}

}  // namespace tdsserver
