#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tdsserver {

class Transport;

// One request message, reassembled from its packets.
struct Message {
    std::uint8_t type = 0;
    std::string payload;
};

namespace packet_type {
constexpr std::uint8_t SqlBatch = 0x01;
constexpr std::uint8_t OldLogin = 0x02;
constexpr std::uint8_t Rpc = 0x03;
constexpr std::uint8_t Reply = 0x04;
constexpr std::uint8_t Attention = 0x06;
constexpr std::uint8_t Login7 = 0x10;
constexpr std::uint8_t PreLogin = 0x12;
}  // namespace packet_type

// Reads request messages from a client socket. Packet ids and SPIDs are not
// checked (clients differ); sizes are, so garbage cannot make the server
// allocate without bound.
class PacketReader {
public:
    static constexpr std::size_t MaxPacket = 32768;
    static constexpr std::size_t MaxMessage = 64u << 20;
    static constexpr int MidPacketTimeoutMs = 30000;

    explicit PacketReader(Transport& transport) noexcept : transport_(transport) {}

    // The next message, or nothing when the client closed between messages.
    // Malformed input throws ProtocolError.
    std::optional<Message> next();

private:
    Transport& transport_;
};

}  // namespace tdsserver
