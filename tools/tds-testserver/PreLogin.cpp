#include "tds-testserver/PreLogin.h"

#include <vector>

#include "tds-testserver/TdsError.h"

namespace tdsserver {
namespace {

constexpr std::uint8_t VersionOption = 0x00;
constexpr std::uint8_t EncryptionOption = 0x01;
constexpr std::uint8_t InstanceOption = 0x02;
constexpr std::uint8_t ThreadIdOption = 0x03;
constexpr std::uint8_t MarsOption = 0x04;
constexpr std::uint8_t Terminator = 0xFF;

std::uint16_t readU16Be(std::string_view data, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(data[at]) << 8 |
                                      static_cast<unsigned char>(data[at + 1]));
}

void putU16Be(std::string& out, std::size_t v) {
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xFF));
}

}  // namespace

std::optional<std::uint8_t> clientEncryption(std::string_view payload) {
    std::optional<std::uint8_t> flag;
    for (std::size_t at = 0;; at += 5) {
        if (at >= payload.size()) throw ProtocolError("PRELOGIN option table has no terminator");
        const auto option = static_cast<std::uint8_t>(payload[at]);
        if (option == Terminator) return flag;
        if (at + 5 > payload.size()) throw ProtocolError("PRELOGIN option table is cut short");
        const std::size_t offset = readU16Be(payload, at + 1);
        const std::size_t length = readU16Be(payload, at + 3);
        if (offset + length > payload.size())
            throw ProtocolError("PRELOGIN option " + std::to_string(option) +
                                " lies outside the message");
        if (option == EncryptionOption && length >= 1)
            flag = static_cast<std::uint8_t>(payload[offset]);
    }
}

PreLoginAnswer answerEncryption(EncryptMode mode, std::optional<std::uint8_t> client) {
    // A PRELOGIN without the option comes from a client that cannot encrypt.
    const std::uint8_t asked = client.value_or(encryption::NotSup);
    const bool clientCan = asked != encryption::NotSup;
    const bool clientWantsAll = asked == encryption::On || asked == encryption::Req;
    switch (mode) {
        case EncryptMode::Off:
            return {encryption::NotSup, Encryption::None};
        case EncryptMode::Login:
            if (!clientCan) return {encryption::NotSup, Encryption::None};
            if (clientWantsAll) return {encryption::On, Encryption::Session};
            return {encryption::Off, Encryption::Login};
        case EncryptMode::Required:
            if (!clientCan) return {encryption::Req, Encryption::Refused};
            if (clientWantsAll) return {encryption::On, Encryption::Session};
            return {encryption::Req, Encryption::Session};
    }
    return {encryption::NotSup, Encryption::None};
}

std::string preLoginReply(std::uint8_t encryptionFlag, bool tds71Server) {
    // 9.0.5000 (SQL Server 2005 SP4) or 8.0.2039 (SQL Server 2000 SP4), sub-build 0.
    const std::string version = tds71Server ? std::string("\x08\x00\x07\xF7\x00\x00", 6)
                                            : std::string("\x09\x00\x13\x88\x00\x00", 6);
    struct Option {
        std::uint8_t token;
        std::string data;
    };
    std::vector<Option> options = {{VersionOption, version},
                                   {EncryptionOption, std::string(1, char(encryptionFlag))},
                                   {InstanceOption, std::string(1, '\0')},
                                   {ThreadIdOption, {}}};
    if (!tds71Server) options.push_back({MarsOption, std::string(1, '\0')});

    std::string table, data;
    const std::size_t dataStart = options.size() * 5 + 1;
    for (const Option& o : options) {
        table.push_back(static_cast<char>(o.token));
        putU16Be(table, dataStart + data.size());
        putU16Be(table, o.data.size());
        data += o.data;
    }
    table.push_back(static_cast<char>(Terminator));
    return table + data;
}

}  // namespace tdsserver
