#include "tds-testserver/Login7.h"

#include "tds-testserver/Iconv.h"
#include "tds-testserver/TdsError.h"

namespace tdsserver {
namespace {

std::uint32_t readU32(std::string_view data, std::size_t at) {
    auto b = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(data[at + i])); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

std::uint16_t readU16(std::string_view data, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(data[at]) |
                                      static_cast<unsigned char>(data[at + 1]) << 8);
}

// UTF-16LE bytes of the field whose offset/length pair starts at pairAt.
std::string field(std::string_view record, std::size_t pairAt, const char* name) {
    const std::size_t offset = readU16(record, pairAt);
    const std::size_t bytes = std::size_t(readU16(record, pairAt + 2)) * 2;
    if (bytes == 0) return {};
    if (offset + bytes > record.size())
        throw ProtocolError(std::string("LOGIN7 field ") + name + " lies outside the record");
    return std::string(record.substr(offset, bytes));
}

// Clients scramble each password byte: swap nibbles, then XOR 0xA5.
std::string unscramble(std::string bytes) {
    for (char& c : bytes) {
        auto v = static_cast<unsigned char>(c) ^ 0xA5;
        c = static_cast<char>(((v & 0x0F) << 4) | (v >> 4));
    }
    return bytes;
}

}  // namespace

Login7 Login7::parse(std::string_view payload) {
    if (payload.size() < 86) throw ProtocolError("LOGIN7 record shorter than its fixed part");
    const std::size_t length = readU32(payload, 0);
    if (length > payload.size() || length < 86)
        throw ProtocolError("LOGIN7 length " + std::to_string(length) +
                            " does not match its packet");
    std::string_view record = payload.substr(0, length);

    Iconv toUtf8("UTF-8", "UTF-16LE");
    auto text = [&](std::string bytes) {
        try {
            return toUtf8.convert(bytes);
        } catch (const std::exception&) {
            throw ProtocolError("LOGIN7 holds a text that is not UTF-16");
        }
    };
    Login7 login;
    login.tdsVersion = readU32(record, 4);
    login.packetSize = readU32(record, 8);
    login.hostName = text(field(record, 36, "HostName"));
    login.userName = text(field(record, 40, "UserName"));
    login.password = text(unscramble(field(record, 44, "Password")));
    login.appName = text(field(record, 48, "AppName"));
    login.database = text(field(record, 68, "Database"));
    return login;
}

}  // namespace tdsserver
