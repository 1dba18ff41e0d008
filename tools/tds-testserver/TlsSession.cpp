#include "tds-testserver/TlsSession.h"

#include <openssl/bio.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cstring>

#include "tds-testserver/SocketFd.h"
#include "tds-testserver/TdsError.h"
#include "tds-testserver/TlsContext.h"

namespace tdsserver {
namespace {

constexpr std::size_t RecordHeader = 5;
// A TLS 1.2 record holds at most 2^14 bytes of data plus its expansion.
constexpr std::size_t MaxRecordBody = 16384 + 2048;

}  // namespace

TlsSession::TlsSession(const TlsContext& context, SocketFd& socket) : socket_(socket) {
    ssl_ = SSL_new(context.get());
    in_ = BIO_new(BIO_s_mem());
    out_ = BIO_new(BIO_s_mem());
    if (!ssl_ || !in_ || !out_) {
        BIO_free(in_);
        BIO_free(out_);
        SSL_free(ssl_);
        throw ProtocolError("cannot start TLS: " + openSslErrors());
    }
    // An empty input buffer means "wait for the client", not end of stream.
    BIO_set_mem_eof_return(in_, -1);
    BIO_set_mem_eof_return(out_, -1);
    SSL_set_bio(ssl_, in_, out_);
    SSL_set_accept_state(ssl_);
}

TlsSession::~TlsSession() { SSL_free(ssl_); }

void TlsSession::handshake(const std::function<std::string()>& receive,
                           const std::function<void(std::string_view)>& send) {
    for (;;) {
        const int r = SSL_do_handshake(ssl_);
        const int error = r == 1 ? SSL_ERROR_NONE : SSL_get_error(ssl_, r);
        const std::string reply = takeOutput();
        if (!reply.empty()) send(reply);
        if (r == 1) return;
        if (error != SSL_ERROR_WANT_READ)
            throw ProtocolError("TLS handshake failed: " + openSslErrors());
        const std::string input = receive();
        if (input.empty()) throw ProtocolError("empty TLS handshake message");
        BIO_write(in_, input.data(), static_cast<int>(input.size()));
    }
}

bool TlsSession::readExact(void* data, std::size_t n, bool atBoundary, int timeoutMs) {
    auto* out = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < n) {
        if (plainAt_ < plain_.size()) {
            const std::size_t k = std::min(n - done, plain_.size() - plainAt_);
            std::memcpy(out + done, plain_.data() + plainAt_, k);
            plainAt_ += k;
            done += k;
            continue;
        }
        plain_.resize(MaxRecordBody);
        plainAt_ = 0;
        const int r = SSL_read(ssl_, plain_.data(), static_cast<int>(plain_.size()));
        if (r > 0) {
            plain_.resize(static_cast<std::size_t>(r));
            continue;
        }
        plain_.clear();
        const int error = SSL_get_error(ssl_, r);
        if (error == SSL_ERROR_ZERO_RETURN) {
            if (done == 0 && atBoundary) return false;
            throw ProtocolError("client ended TLS in the middle of a packet");
        }
        if (error != SSL_ERROR_WANT_READ)
            throw ProtocolError("TLS read failed: " + openSslErrors());
        flushOutput();
        if (!readRecord(done == 0 && atBoundary, timeoutMs)) return false;
    }
    return true;
}

bool TlsSession::readRecord(bool atBoundary, int timeoutMs) {
    unsigned char header[RecordHeader];
    if (!socket_.readExact(header, RecordHeader, atBoundary, timeoutMs)) return false;
    const std::size_t length = (std::size_t(header[3]) << 8) | header[4];
    if (length > MaxRecordBody)
        throw ProtocolError("TLS record of " + std::to_string(length) + " bytes");
    std::string record(RecordHeader + length, '\0');
    std::memcpy(record.data(), header, RecordHeader);
    socket_.readExact(record.data() + RecordHeader, length, false, timeoutMs);
    BIO_write(in_, record.data(), static_cast<int>(record.size()));
    return true;
}

void TlsSession::writeAll(const void* data, std::size_t n) {
    const auto* in = static_cast<const char*>(data);
    while (n > 0) {
        const int chunk = static_cast<int>(std::min<std::size_t>(n, 16384));
        const int r = SSL_write(ssl_, in, chunk);
        if (r <= 0) throw ProtocolError("TLS write failed: " + openSslErrors());
        in += r;
        n -= static_cast<std::size_t>(r);
        flushOutput();
    }
}

bool TlsSession::readable() const {
    return hasUnreadInput() || SSL_pending(ssl_) > 0 || BIO_ctrl_pending(in_) > 0 ||
           socket_.readable();
}

bool TlsSession::hasUnreadInput() const {
    return plainAt_ < plain_.size() || SSL_pending(ssl_) > 0;
}

std::string TlsSession::takeOutput() {
    std::string bytes;
    char buffer[4096];
    int got;
    while ((got = BIO_read(out_, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(got));
    return bytes;
}

void TlsSession::flushOutput() {
    const std::string bytes = takeOutput();
    if (!bytes.empty()) socket_.writeAll(bytes.data(), bytes.size());
}

}  // namespace tdsserver
