#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tdsserver {

class Transport;

// Builds one reply message (packet type 0x04 unless set) and sends it in packets of the
// negotiated size as it grows, so a long result never sits in memory. Tokens
// may straddle packets. All integers little-endian unless named Be.
class PacketWriter {
public:
    static constexpr std::uint16_t Spid = 57;

    explicit PacketWriter(Transport& transport) noexcept : transport_(transport) {}

    void setPacketSize(std::size_t size) noexcept { packetSize_ = size; }
    // The type of the packets sent from now on (PRELOGIN while TLS handshake
    // records ride in them).
    void setPacketType(std::uint8_t type) noexcept { packetType_ = type; }
    std::size_t packetSize() const noexcept { return packetSize_; }
    // Called after every full packet has gone out (the session looks for an
    // attention request there).
    void setAfterPacket(std::function<void()> hook) { afterPacket_ = std::move(hook); }

    void u8(std::uint8_t v);
    void u16(std::uint16_t v);
    void u16Be(std::uint16_t v);
    void u32(std::uint32_t v);
    void u32Be(std::uint32_t v);
    void u64(std::uint64_t v);
    void bytes(std::string_view data);
    // UTF-16LE text with a one-byte (B_VARCHAR) or two-byte (US_VARCHAR) character count.
    void bVarChar(std::string_view utf16le);
    void usVarChar(std::string_view utf16le);

    // Sends what is buffered as the last packet of the message.
    void endMessage();

private:
    void sendPacket(bool last);

    Transport& transport_;
    std::size_t packetSize_ = 4096;
    std::string buffer_ = std::string(8, '\0');  // room for the header, then the payload
    std::uint8_t packetId_ = 1;
    std::uint8_t packetType_ = 0x04;
    std::function<void()> afterPacket_;
};

}  // namespace tdsserver
