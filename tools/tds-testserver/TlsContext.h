#pragma once
#include <string>

typedef struct ssl_ctx_st SSL_CTX;

namespace tdsserver {

// The server's TLS settings, shared by every session: its certificate and key,
// TLS 1.2 (what the SQL Servers this stands in for speak), no client
// certificates, no session tickets. Built once on the main thread, then only
// read.
class TlsContext {
public:
    // Loads the PEM certificate and key, or makes a self-signed certificate for
    // CN=localhost when both paths are empty. Throws std::runtime_error with
    // OpenSSL's text.
    TlsContext(const std::string& certificateFile, const std::string& keyFile);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    SSL_CTX* get() const noexcept { return ctx_; }

private:
    SSL_CTX* ctx_ = nullptr;
};

// OpenSSL's queued error texts, oldest first, emptying the queue.
std::string openSslErrors();

}  // namespace tdsserver
