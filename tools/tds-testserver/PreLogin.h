#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tds-testserver/ServerConfig.h"

namespace tdsserver {

// The ENCRYPTION byte of a PRELOGIN message.
namespace encryption {
constexpr std::uint8_t Off = 0x00;     // supported, login record only
constexpr std::uint8_t On = 0x01;      // the whole session
constexpr std::uint8_t NotSup = 0x02;  // not supported
constexpr std::uint8_t Req = 0x03;     // the server requires it
}  // namespace encryption

// What follows the PRELOGIN answer.
enum class Encryption {
    None,     // plain throughout
    Login,    // TLS for the login record, then plain
    Session,  // TLS for the rest of the connection
    Refused,  // the client cannot encrypt and the server insists
};

// The server's answer to one client's PRELOGIN.
struct PreLoginAnswer {
    std::uint8_t flag = encryption::NotSup;
    Encryption outcome = Encryption::None;
};

// The client's ENCRYPTION byte, absent when its PRELOGIN has none. Throws
// ProtocolError when the option table points outside the message.
std::optional<std::uint8_t> clientEncryption(std::string_view payload);

// How a server in `mode` answers a client that sent `client`, as SQL Server
// does: a server with a certificate encrypts at least the login of every
// client able to, and a server that forces encryption refuses the others.
PreLoginAnswer answerEncryption(EncryptMode mode, std::optional<std::uint8_t> client);

// The PRELOGIN reply payload. A TDS 7.1 server (SQL Server 2000) reports its
// own program version and has no MARS option.
std::string preLoginReply(std::uint8_t encryptionFlag, bool tds71Server);

}  // namespace tdsserver
