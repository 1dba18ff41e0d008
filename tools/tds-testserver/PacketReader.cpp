#include "tds-testserver/PacketReader.h"

#include "tds-testserver/TdsError.h"
#include "tds-testserver/Transport.h"

namespace tdsserver {
namespace {

// Request types a TDS 7 client may send; anything else is not TDS.
bool knownType(unsigned char type) {
    switch (type) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x06:
        case 0x07:
        case 0x0E:
        case 0x0F:
        case 0x10:
        case 0x11:
        case 0x12:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::optional<Message> PacketReader::next() {
    Message message;
    bool first = true;
    for (;;) {
        unsigned char header[8];
        if (!transport_.readExact(header, sizeof header, first, MidPacketTimeoutMs)) {
            return std::nullopt;
        }
        const std::size_t length = (std::size_t(header[2]) << 8) | header[3];
        if (length < 8)
            throw ProtocolError("packet length " + std::to_string(length) +
                                " is shorter than its header");
        if (length > MaxPacket)
            throw ProtocolError("packet length " + std::to_string(length) + " exceeds " +
                                std::to_string(MaxPacket));
        if (!knownType(header[0]))
            throw ProtocolError("unknown packet type " + std::to_string(header[0]));
        if (first)
            message.type = header[0];
        else if (header[0] != message.type)
            throw ProtocolError("packet type changed in the middle of a message");
        if (message.payload.size() + length - 8 > MaxMessage)
            throw ProtocolError("request message larger than " + std::to_string(MaxMessage) +
                                " bytes");
        const std::size_t old = message.payload.size();
        message.payload.resize(old + length - 8);
        if (length > 8)
            transport_.readExact(message.payload.data() + old, length - 8, false,
                                 MidPacketTimeoutMs);
        first = false;
        if (header[1] & 0x01) return message;
    }
}

}  // namespace tdsserver
