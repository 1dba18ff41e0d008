#include "TdsColumn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DbError.h"
#include "core/Cp936.h"
#include "core/Iconv.h"
#include "core/TextError.h"

namespace db {

namespace {

// db-lib's type of uniqueidentifier, which sybdb.h does not name.
constexpr int kGuid = 0x24;

// db-lib reports its own types, not the server's: char and varchar both come as
// SYBCHAR, binary and varbinary as SYBBINARY, and the N-types as their narrow
// counterparts (converted to the client character set). The common kinds win.
ColumnType columnTypeOf(int type) {
    switch (type) {
        case SYBBIT:
            return ColumnType::Boolean;
        case SYBINT1:
        case SYBINT2:
            return ColumnType::SmallInt;
        case SYBINT4:
            return ColumnType::Integer;
        case SYBINT8:
            return ColumnType::BigInt;
        case SYBDECIMAL:
        case SYBNUMERIC:
            return ColumnType::Decimal;
        case SYBMONEY:
        case SYBMONEY4:
            return ColumnType::Money;
        case SYBFLT8:
        case SYBREAL:
            return ColumnType::Float;
        case SYBDATETIME:
        case SYBDATETIME4:
        case SYBMSDATETIME2:
        case SYBMSDATETIMEOFFSET:
            return ColumnType::DateTime;
        case SYBMSDATE:
            return ColumnType::Date;
        case SYBMSTIME:
            return ColumnType::Time;
        case SYBCHAR:
        case SYBVARCHAR:
            return ColumnType::VarChar;
        case SYBNVARCHAR:
            return ColumnType::WideVarChar;
        case SYBTEXT:
            return ColumnType::LongText;
        case SYBNTEXT:
            return ColumnType::WideLongText;
        case SYBBINARY:
        case SYBVARBINARY:
            return ColumnType::VarBinary;
        case SYBIMAGE:
            return ColumnType::LongBinary;
        case kGuid:
            return ColumnType::Guid;
        default:
            return ColumnType::Other;
    }
}

bool isAscii(const BYTE* data, DBINT length) {
    for (DBINT i = 0; i < length; ++i) {
        if (data[i] >= 0x80) return false;
    }
    return true;
}

template <typename T>
T load(const BYTE* data) {
    T v;
    std::memcpy(&v, data, sizeof v);
    return v;
}

}  // namespace

TdsColumn::TdsColumn(DBPROCESS* dbproc, int column)
    : index_(column), type_(dbcoltype(dbproc, column)) {
    DBTYPEINFO* info = dbcoltypeinfo(dbproc, column);
    scale_ = info ? info->scale : 0;
    const char* name = dbcolname(dbproc, column);
    column_.name = name ? core::fromCp936Lossy(name) : std::string();
    column_.type = columnTypeOf(type_);
    column_.typeOid = static_cast<unsigned int>(type_);
}

void TdsColumn::decodeText(const BYTE* data, DBINT length, Value& out) const {
    std::string& text = out.mutableBytes(Value::Kind::Text);
    if (isAscii(data, length)) {
        text.append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
        return;
    }
    std::string_view bytes(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    // Varchar bytes are the stored code page 936 (N-types come converted to
    // GB18030, which agrees with it but for four-byte sequences). glibc's CP936
    // table decodes nearly everything straight into the reused buffer; what it
    // refuses (user-defined characters, four-byte sequences) goes through the
    // shared decoder, which falls back to GB18030.
    thread_local core::Iconv cp936("UTF-8", "CP936");
    size_t used = 0;
    if (cp936.convert(bytes, text, used) == core::Iconv::Outcome::Done) return;
    try {
        text = core::fromCp936(bytes);
    } catch (const core::TextError& e) {
        throw DbError("column " + column_.name + ": " + e.what());
    }
}

namespace {

// Fixed-width decimal digits; dates are decoded once per row and column, and
// snprintf's format parsing was most of that cost.
char* putDigits(char* p, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return p + width;
}

char* putDate(char* p, int year, int month, int day) {
    p = putDigits(p, year, 4);
    *p++ = '-';
    p = putDigits(p, month, 2);
    *p++ = '-';
    return putDigits(p, day, 2);
}

char* putTime(char* p, int hour, int minute, int second) {
    p = putDigits(p, hour, 2);
    *p++ = ':';
    p = putDigits(p, minute, 2);
    *p++ = ':';
    return putDigits(p, second, 2);
}

}  // namespace

void TdsColumn::decodeDate(DBPROCESS* dbproc, const BYTE* data, Value& out) const {
    DBDATEREC2 d;
    std::memset(&d, 0, sizeof d);
    if (dbanydatecrack(dbproc, &d, type_, data) != SUCCEED)
        throw DbError("column " + column_.name + ": bad date");
    const int year = d.dateyear, month = d.datemonth + 1, day = d.datedmonth;
    // Every field must fit its fixed width; a crack that does not is no date.
    auto fits = [](int value, int limit) { return value >= 0 && value < limit; };
    if (!fits(year, 10000) || !fits(month, 100) || !fits(day, 100) || !fits(d.datehour, 100) ||
        !fits(d.dateminute, 100) || !fits(d.datesecond, 100) || !fits(d.datensecond, 1000000000)) {
        throw DbError("column " + column_.name + ": bad date");
    }
    char buffer[48];
    char* p = buffer;
    switch (type_) {
        case SYBMSDATE:
            p = putDate(p, year, month, day);
            break;
        case SYBMSTIME:
        case SYBMSDATETIME2:
        case SYBMSDATETIMEOFFSET: {
            if (type_ != SYBMSTIME) {
                p = putDate(p, year, month, day);
                *p++ = ' ';
            }
            p = putTime(p, d.datehour, d.dateminute, d.datesecond);
            if (scale_ > 0) {
                const int shown = scale_ > 7 ? 7 : scale_;
                char digits[9];
                putDigits(digits, d.datensecond, 9);
                *p++ = '.';
                p = std::copy(digits, digits + shown, p);
            }
            break;
        }
        default: {
            // datetime and smalldatetime: milliseconds, as the server shows them.
            // Rounding never carries into the seconds: datetime keeps 1/300 s.
            const int milliseconds = std::min((d.datensecond + 500000) / 1000000, 999);
            p = putDate(p, year, month, day);
            *p++ = ' ';
            p = putTime(p, d.datehour, d.dateminute, d.datesecond);
            *p++ = '.';
            p = putDigits(p, milliseconds, 3);
            break;
        }
    }
    out.setDateTime(std::string_view(buffer, static_cast<size_t>(p - buffer)));
}

void TdsColumn::decode(DBPROCESS* dbproc, Value& out) const {
    const BYTE* data = dbdata(dbproc, index_);
    DBINT length = dbdatlen(dbproc, index_);
    if (data == nullptr) {
        out.setNull();
        return;
    }
    switch (type_) {
        case SYBBIT:
        case SYBBITN:
            out.setBool(length > 0 && data[0] != 0);
            return;
        case SYBINT1:
            out.setInt(data[0]);
            return;
        case SYBINT2:
            out.setInt(load<int16_t>(data));
            return;
        case SYBINT4:
            out.setInt(load<int32_t>(data));
            return;
        case SYBINT8:
            out.setInt(load<int64_t>(data));
            return;
        case SYBINTN:
            switch (length) {
                case 1:
                    out.setInt(data[0]);
                    return;
                case 2:
                    out.setInt(load<int16_t>(data));
                    return;
                case 4:
                    out.setInt(load<int32_t>(data));
                    return;
                default:
                    out.setInt(load<int64_t>(data));
                    return;
            }
        case SYBFLT8:
            out.setFloat(load<double>(data));
            return;
        case SYBREAL:
            out.setFloat(load<float>(data));
            return;
        case SYBMONEY:
        case SYBMONEY4: {
            // Money is an integer count of ten-thousandths: exact text by hand.
            int64_t units;
            if (type_ == SYBMONEY4) {
                units = load<DBMONEY4>(data).mny4;
            } else {
                auto m = load<DBMONEY>(data);
                units = static_cast<int64_t>(
                    (static_cast<uint64_t>(static_cast<uint32_t>(m.mnyhigh)) << 32) | m.mnylow);
            }
            uint64_t magnitude =
                units < 0 ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
            char buffer[32];
            int n = std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", units < 0 ? "-" : "",
                                  static_cast<unsigned long long>(magnitude / 10000),
                                  static_cast<unsigned long long>(magnitude % 10000));
            out.setDecimal(std::string_view(buffer, static_cast<size_t>(n)));
            return;
        }
        case SYBDECIMAL:
        case SYBNUMERIC: {
            char buffer[96];
            DBINT n = dbconvert(dbproc, type_, data, length, SYBCHAR,
                                reinterpret_cast<BYTE*>(buffer), sizeof buffer);
            if (n < 0) throw DbError("column " + column_.name + ": decimal value cannot be read");
            out.setDecimal(std::string_view(buffer, static_cast<size_t>(n)));
            return;
        }
        case SYBDATETIME:
        case SYBDATETIME4:
        case SYBDATETIMN:
        case SYBMSDATE:
        case SYBMSTIME:
        case SYBMSDATETIME2:
        case SYBMSDATETIMEOFFSET:
            decodeDate(dbproc, data, out);
            return;
        case SYBBINARY:
        case SYBVARBINARY:
        case SYBIMAGE:
            out.setBinary(
                std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(length)));
            return;
        case kGuid: {
            char buffer[48];
            DBINT n = dbconvert(dbproc, type_, data, length, SYBCHAR,
                                reinterpret_cast<BYTE*>(buffer), sizeof buffer);
            if (n < 0)
                throw DbError("column " + column_.name + ": uniqueidentifier cannot be read");
            out.setText(std::string_view(buffer, static_cast<size_t>(n)));
            return;
        }
        default:
            decodeText(data, length, out);
            return;
    }
}

}  // namespace db
