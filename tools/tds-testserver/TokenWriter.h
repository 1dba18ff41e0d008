#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tds-testserver/ColumnPlan.h"
#include "tds-testserver/Iconv.h"

namespace tdsserver {

class PacketWriter;

namespace done_status {
constexpr std::uint16_t Final = 0x0000;
constexpr std::uint16_t More = 0x0001;
constexpr std::uint16_t Error = 0x0002;
constexpr std::uint16_t Count = 0x0010;
constexpr std::uint16_t Attention = 0x0020;
}  // namespace done_status

// Writes reply tokens in the layout of the negotiated TDS version. Texts are
// given in UTF-8. Holds back each DONE until the next token shows whether the
// reply goes on, so only the reply's last DONE lacks the MORE bit.
class TokenWriter {
public:
    explicit TokenWriter(PacketWriter& out);

    void setTdsVersion(std::uint32_t version) noexcept { version_ = version; }
    std::uint32_t tdsVersion() const noexcept { return version_; }

    void envChange(std::uint8_t type, std::string_view newValue, std::string_view oldValue);
    void collationChange();
    void info(int number, std::uint8_t severity, std::string_view message);
    void error(int number, std::uint8_t severity, std::string_view message);
    void loginAck(std::uint32_t version);
    void columnMetadata(const std::vector<ColumnPlan>& columns);
    void rowToken();
    // A statement's DONE: DONEINPROC while a procedure call runs.
    void done(std::uint16_t status, std::uint64_t rowCount);
    void setInProcedure(bool inProcedure) noexcept { inProcedure_ = inProcedure; }
    // A procedure call's end: its return status, then DONEPROC.
    void procedureEnd(std::int32_t returnStatus, std::uint16_t status);
    // Transaction begun (8), committed (9) or rolled back (10), with its descriptor.
    void transactionChange(std::uint8_t type, std::uint64_t descriptor);

    // Writes the held DONE as the reply's last and ends the message.
    void endReply();

    static constexpr unsigned char ChinesePrcCiAs[5] = {0x04, 0x08, 0xD0, 0x00, 0x00};

private:
    void flushHeldDone(bool more);
    void message(std::uint8_t token, int number, std::uint8_t severity, std::string_view text);
    std::string utf16(std::string_view utf8) { return toUtf16_.convert(utf8); }
    bool atLeast72() const noexcept { return version_ >= 0x72000000; }

    PacketWriter& out_;
    Iconv toUtf16_;
    std::uint32_t version_ = 0x74000004;
    bool doneHeld_ = false;
    bool inProcedure_ = false;
    std::uint8_t heldToken_ = 0xFD;
    std::uint16_t heldStatus_ = 0;
    std::uint64_t heldCount_ = 0;
};

}  // namespace tdsserver
