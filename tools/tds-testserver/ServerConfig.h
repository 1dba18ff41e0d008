#pragma once
#include <cstdint>
#include <string>

namespace tdsserver {

// How the PRELOGIN answer treats encryption: never (no certificate), the login
// record only (a server with a certificate), or the whole session (a server
// that forces encryption).
enum class EncryptMode { Off, Login, Required };

// What every session needs to know: where PostgreSQL is, the one login accepted
// and how the server presents itself.
struct ServerConfig {
    std::string conninfo;
    std::string user = "sa";
    std::string password = "Test-Pass1";
    // Highest TDS version answered in LOGINACK; 0 answers what the client asks.
    std::uint32_t tdsVersion = 0;
    EncryptMode encrypt = EncryptMode::Off;
    // PEM files of the TLS certificate and its key; empty makes a self-signed
    // certificate at start, as a server without a configured one does.
    std::string certificateFile;
    std::string keyFile;
};

}  // namespace tdsserver
