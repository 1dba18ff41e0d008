#include "tds-testserver/TlsContext.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

namespace tdsserver {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + openSslErrors());
}

struct KeyFree {
    void operator()(EVP_PKEY* k) const noexcept { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509* c) const noexcept { X509_free(c); }
};

// What SQL Server does when no certificate is configured: a fresh self-signed
// one for every start.
void useSelfSignedCertificate(SSL_CTX* ctx) {
    std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_RSA_gen(2048));
    if (!key) fail("making an RSA key");
    std::unique_ptr<X509, CertFree> cert(X509_new());
    if (!cert) fail("making a certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7L * 24 * 3600);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    X509_set_pubkey(cert.get(), key.get());
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) fail("signing the certificate");
    if (SSL_CTX_use_certificate(ctx, cert.get()) != 1) fail("using the certificate");
    if (SSL_CTX_use_PrivateKey(ctx, key.get()) != 1) fail("using the key");
}

}  // namespace

std::string openSslErrors() {
    std::string text;
    while (unsigned long code = ERR_get_error()) {
        char line[256];
        ERR_error_string_n(code, line, sizeof line);
        if (!text.empty()) text += "; ";
        text += line;
    }
    return text.empty() ? "no OpenSSL error recorded" : text;
}

TlsContext::TlsContext(const std::string& certificateFile, const std::string& keyFile) {
    ctx_ = SSL_CTX_new(TLS_server_method());
    if (!ctx_) fail("SSL_CTX_new");
    try {
        // TLS 1.3 would add session tickets after the handshake, outside the
        // PRELOGIN packets the clients expect it in.
        SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
        SSL_CTX_set_max_proto_version(ctx_, TLS1_2_VERSION);
        SSL_CTX_set_options(ctx_, SSL_OP_NO_TICKET);
        SSL_CTX_set_session_cache_mode(ctx_, SSL_SESS_CACHE_OFF);
        if (certificateFile.empty()) {
            useSelfSignedCertificate(ctx_);
        } else {
            if (SSL_CTX_use_certificate_chain_file(ctx_, certificateFile.c_str()) != 1)
                fail("loading certificate " + certificateFile);
            if (SSL_CTX_use_PrivateKey_file(ctx_, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
                fail("loading key " + keyFile);
        }
        if (SSL_CTX_check_private_key(ctx_) != 1) fail("certificate and key do not match");
    } catch (...) {
        SSL_CTX_free(ctx_);
        throw;
    }
}

TlsContext::~TlsContext() { SSL_CTX_free(ctx_); }

}  // namespace tdsserver
