#include "tds-testserver/PacketWriter.h"

#include "tds-testserver/PacketReader.h"
#include "tds-testserver/TdsError.h"
#include "tds-testserver/Transport.h"

namespace tdsserver {

void PacketWriter::u8(std::uint8_t v) {
    buffer_.push_back(static_cast<char>(v));
    if (buffer_.size() >= packetSize_) sendPacket(false);
}

void PacketWriter::u16(std::uint16_t v) {
    u8(v & 0xFF);
    u8(v >> 8);
}

void PacketWriter::u16Be(std::uint16_t v) {
    u8(v >> 8);
    u8(v & 0xFF);
}

void PacketWriter::u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
}

void PacketWriter::u32Be(std::uint32_t v) {
    u16Be(v >> 16);
    u16Be(v & 0xFFFF);
}

void PacketWriter::u64(std::uint64_t v) {
    u32(v & 0xFFFFFFFFu);
    u32(v >> 32);
}

void PacketWriter::bytes(std::string_view data) {
    while (!data.empty()) {
        const std::size_t room = packetSize_ - buffer_.size();
        const std::size_t n = std::min(room, data.size());
        buffer_.append(data.data(), n);
        data.remove_prefix(n);
        if (buffer_.size() >= packetSize_) sendPacket(false);
    }
}

void PacketWriter::bVarChar(std::string_view utf16le) {
    const std::size_t chars = std::min<std::size_t>(utf16le.size() / 2, 255);
    u8(static_cast<std::uint8_t>(chars));
    bytes(utf16le.substr(0, chars * 2));
}

void PacketWriter::usVarChar(std::string_view utf16le) {
    const std::size_t chars = std::min<std::size_t>(utf16le.size() / 2, 65535);
    u16(static_cast<std::uint16_t>(chars));
    bytes(utf16le.substr(0, chars * 2));
}

void PacketWriter::endMessage() {
    sendPacket(true);
    packetId_ = 1;
}

void PacketWriter::sendPacket(bool last) {
    const std::size_t length = buffer_.size();
    // The header goes in front of the payload in the same buffer: one send per packet.
    const char header[8] = {static_cast<char>(packetType_), static_cast<char>(last ? 0x01 : 0x00),
                            static_cast<char>(length >> 8), static_cast<char>(length & 0xFF),
                            static_cast<char>(Spid >> 8),   static_cast<char>(Spid & 0xFF),
                            static_cast<char>(packetId_),   0};
    ++packetId_;
    buffer_.replace(0, 8, header, 8);
    transport_.writeAll(buffer_.data(), buffer_.size());
    buffer_.assign(8, '\0');
    if (!last && afterPacket_) afterPacket_();
}

}  // namespace tdsserver
