#include "tds-testserver/TokenWriter.h"

#include "tds-testserver/PacketWriter.h"

namespace tdsserver {
namespace {
constexpr char ServerName[] = "LIR2ORBIT-TEST";
}

TokenWriter::TokenWriter(PacketWriter& out) : out_(out), toUtf16_("UTF-16LE", "UTF-8", '?') {}

void TokenWriter::envChange(std::uint8_t type, std::string_view newValue,
                            std::string_view oldValue) {
    flushHeldDone(true);
    const std::string n = utf16(newValue), o = utf16(oldValue);
    out_.u8(0xE3);
    out_.u16(static_cast<std::uint16_t>(3 + n.size() + o.size()));
    out_.u8(type);
    out_.bVarChar(n);
    out_.bVarChar(o);
}

void TokenWriter::collationChange() {
    flushHeldDone(true);
    out_.u8(0xE3);
    out_.u16(8);
    out_.u8(7);
    out_.u8(5);
    out_.bytes(std::string_view(reinterpret_cast<const char*>(ChinesePrcCiAs), 5));
    out_.u8(0);
}

void TokenWriter::info(int number, std::uint8_t severity, std::string_view text) {
    message(0xAB, number, severity, text);
}

void TokenWriter::error(int number, std::uint8_t severity, std::string_view text) {
    message(0xAA, number, severity, text);
}

void TokenWriter::message(std::uint8_t token, int number, std::uint8_t severity,
                          std::string_view text) {
    flushHeldDone(true);
    std::string m = utf16(text);
    if (m.size() > 2 * 4000) m.resize(2 * 4000);
    const std::string server = utf16(ServerName);
    const std::size_t lineSize = atLeast72() ? 4 : 2;
    const std::size_t length = 4 + 1 + 1 + 2 + m.size() + 1 + server.size() + 1 + lineSize;
    out_.u8(token);
    out_.u16(static_cast<std::uint16_t>(length));
    out_.u32(static_cast<std::uint32_t>(number));
    out_.u8(1);  // state
    out_.u8(severity);
    out_.usVarChar(m);
    out_.bVarChar(server);
    out_.bVarChar({});
    if (atLeast72())
        out_.u32(1);
    else
        out_.u16(1);
}

void TokenWriter::loginAck(std::uint32_t version) {
    flushHeldDone(true);
    const std::string name = utf16("lir2orbit test server");
    out_.u8(0xAD);
    out_.u16(static_cast<std::uint16_t>(10 + name.size()));
    out_.u8(1);
    out_.u32Be(version);
    out_.bVarChar(name);
    // The program version of the server that speaks this TDS version: SQL
    // Server 2000 SP4 (8.0.2039) for 7.1, SQL Server 2005 SP4 (9.0.5000) above.
    const bool tds71 = version < 0x72000000;
    out_.u8(tds71 ? 8 : 9);
    out_.u8(0);
    out_.u16Be(tds71 ? 2039 : 5000);
}

void TokenWriter::columnMetadata(const std::vector<ColumnPlan>& columns) {
    flushHeldDone(true);
    out_.u8(0x81);
    out_.u16(static_cast<std::uint16_t>(columns.size()));
    const std::string_view collation(reinterpret_cast<const char*>(ChinesePrcCiAs), 5);
    for (const ColumnPlan& c : columns) {
        if (atLeast72())
            out_.u32(0);
        else
            out_.u16(0);
        out_.u16(0x0001 | 0x0008);  // nullable, updatable unknown
        out_.u8(static_cast<std::uint8_t>(c.type));
        switch (c.type) {
            case TdsType::IntN:
            case TdsType::FltN:
            case TdsType::MoneyN:
            case TdsType::DateTimeN:
            case TdsType::BitN:
            case TdsType::Guid:
                out_.u8(c.size);
                break;
            case TdsType::DecimalN:
                out_.u8(c.size);
                out_.u8(c.precision);
                out_.u8(c.scale);
                break;
            case TdsType::BigVarChar:
            case TdsType::BigChar:
            case TdsType::NVarChar:
            case TdsType::NChar:
                out_.u16(c.maxLength);
                out_.bytes(collation);
                break;
            case TdsType::BigVarBinary:
                out_.u16(c.maxLength);
                break;
            case TdsType::Text:
            case TdsType::NText:
            case TdsType::Image: {
                out_.u32(c.type == TdsType::NText ? 0x3FFFFFFF : 0x7FFFFFFF);
                if (c.type != TdsType::Image) out_.bytes(collation);
                const std::string table = utf16("t");
                if (atLeast72()) out_.u8(1);
                out_.usVarChar(table);
                break;
            }
        }
        out_.bVarChar(utf16(c.name));
    }
}

void TokenWriter::rowToken() {
    flushHeldDone(true);
    out_.u8(0xD1);
}

void TokenWriter::done(std::uint16_t status, std::uint64_t rowCount) {
    flushHeldDone(true);
    doneHeld_ = true;
    heldStatus_ = status;
    heldCount_ = rowCount;
}

void TokenWriter::flushHeldDone(bool more) {
    if (!doneHeld_) return;
    doneHeld_ = false;
    out_.u8(0xFD);
    out_.u16(static_cast<std::uint16_t>(heldStatus_ | (more ? done_status::More : 0)));
    out_.u16(0xC1);  // current command: SELECT
    if (atLeast72())
        out_.u64(heldCount_);
    else
        out_.u32(static_cast<std::uint32_t>(heldCount_));
}

void TokenWriter::endReply() {
    if (!doneHeld_) done(done_status::Final, 0);
    flushHeldDone(false);
    out_.endMessage();
}

}  // namespace tdsserver
