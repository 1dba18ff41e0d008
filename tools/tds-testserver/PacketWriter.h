#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tdsserver {

class SocketFd;

// Builds one reply message (packet type 0x04) and sends it in packets of the
// negotiated size as it grows, so a long result never sits in memory. Tokens
// may straddle packets. All integers little-endian unless named Be.
class PacketWriter {
public:
    static constexpr std::uint16_t Spid = 57;

    explicit PacketWriter(SocketFd& socket) noexcept : socket_(socket) {}

    void setPacketSize(std::size_t size) noexcept { packetSize_ = size; }
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

    SocketFd& socket_;
    std::size_t packetSize_ = 4096;
    std::string buffer_ = std::string(8, '\0');  // room for the header, then the payload
    std::uint8_t packetId_ = 1;
    std::function<void()> afterPacket_;
};

}  // namespace tdsserver
