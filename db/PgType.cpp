#include "PgType.h"

#include <libpq-fe.h>

#include "ValueText.h"

namespace db {

namespace {

// Type OIDs of the built-in types (pg_type.dat); they never change.
enum : unsigned int {
    kBool = 16,
    kBytea = 17,
    kChar = 18,
    kName = 19,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kMoney = 790,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestamptz = 1184,
    kTimetz = 1266,
    kNumeric = 1700,
    kUuid = 2950,
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void decodeBytea(std::string_view text, Value& out) {
    std::string& bytes = out.mutableBytes(Value::Kind::Binary);
    if (text.size() >= 2 && text[0] == '\\' && text[1] == 'x') {
        bytes.reserve((text.size() - 2) / 2);
        for (size_t i = 2; i + 1 < text.size(); i += 2)
            bytes += static_cast<char>(hexValue(text[i]) * 16 + hexValue(text[i + 1]));
        return;
    }
    // The older escape format, should a server be set to it.
    size_t length = 0;
    std::string copy(text);
    unsigned char* raw =
        PQunescapeBytea(reinterpret_cast<const unsigned char*>(copy.c_str()), &length);
    if (raw) {
        bytes.assign(reinterpret_cast<const char*>(raw), length);
        PQfreemem(raw);
    }
}

// Money comes formatted by the server's lc_monetary ("$1,234.56", "-$0.50").
void decodeMoney(std::string_view text, Value& out) {
    std::string& digits = out.mutableBytes(Value::Kind::Decimal);
    bool negative =
        text.find('-') != std::string_view::npos || text.find('(') != std::string_view::npos;
    if (negative) digits += '-';
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '.') digits += c;
    }
}

}  // namespace

PgTypeClass pgTypeClass(unsigned int oid) {
    switch (oid) {
        case kBool:
            return PgTypeClass::Bool;
        case kInt2:
            return PgTypeClass::Int2;
        case kInt4:
        case kOid:
            return PgTypeClass::Int4;
        case kInt8:
            return PgTypeClass::Int8;
        case kNumeric:
            return PgTypeClass::Numeric;
        case kMoney:
            return PgTypeClass::Money;
        case kFloat4:
            return PgTypeClass::Float4;
        case kFloat8:
            return PgTypeClass::Float8;
        case kChar:
        case kName:
        case kText:
        case kBpchar:
        case kVarchar:
            return PgTypeClass::Text;
        case kBytea:
            return PgTypeClass::Bytea;
        case kDate:
        case kTime:
        case kTimetz:
        case kTimestamp:
        case kTimestamptz:
            return PgTypeClass::DateTime;
        case kUuid:
            return PgTypeClass::Uuid;
        default:
            return PgTypeClass::Other;
    }
}

ColumnType pgColumnType(unsigned int oid) {
    switch (oid) {
        case kBool:
            return ColumnType::Boolean;
        case kInt2:
            return ColumnType::SmallInt;
        case kInt4:
            return ColumnType::Integer;
        case kInt8:
            return ColumnType::BigInt;
        case kNumeric:
            return ColumnType::Decimal;
        case kMoney:
            return ColumnType::Money;
        case kFloat4:
        case kFloat8:
            return ColumnType::Float;
        case kTimestamp:
        case kTimestamptz:
            return ColumnType::DateTime;
        case kDate:
            return ColumnType::Date;
        case kTime:
        case kTimetz:
            return ColumnType::Time;
        case kVarchar:
            return ColumnType::VarChar;
        case kBpchar:
            return ColumnType::Char;
        case kText:
            return ColumnType::LongText;
        case kBytea:
            return ColumnType::LongBinary;
        case kUuid:
            return ColumnType::Guid;
        default:
            return ColumnType::Other;
    }
}

const char* pgTypeClassName(PgTypeClass type) {
    switch (type) {
        case PgTypeClass::Bool:
            return "boolean";
        case PgTypeClass::Int2:
            return "smallint";
        case PgTypeClass::Int4:
            return "integer";
        case PgTypeClass::Int8:
            return "bigint";
        case PgTypeClass::Numeric:
            return "numeric";
        case PgTypeClass::Money:
            return "money";
        case PgTypeClass::Float4:
            return "real";
        case PgTypeClass::Float8:
            return "double precision";
        case PgTypeClass::Text:
            return "text";
        case PgTypeClass::Bytea:
            return "bytea";
        case PgTypeClass::DateTime:
            return "date/time";
        case PgTypeClass::Uuid:
            return "uuid";
        case PgTypeClass::Other:
            return "text";
    }
    return "text";
}

void decodePgText(std::string_view text, PgTypeClass type, Value& out) {
    switch (type) {
        case PgTypeClass::Bool:
            out.setBool(!text.empty() && text[0] == 't');
            return;
        case PgTypeClass::Int2:
        case PgTypeClass::Int4:
        case PgTypeClass::Int8:
            out.setInt(parseIntegerText(text).value_or(0));
            return;
        case PgTypeClass::Float4:
        case PgTypeClass::Float8:
            out.setFloat(parseFloatText(text).value_or(0));
            return;
        case PgTypeClass::Numeric:
            out.setDecimal(text);
            return;
        case PgTypeClass::Money:
            decodeMoney(text, out);
            return;
        case PgTypeClass::DateTime:
            out.setDateTime(text);
            return;
        case PgTypeClass::Bytea:
            decodeBytea(text, out);
            return;
        case PgTypeClass::Text:
        case PgTypeClass::Uuid:
        case PgTypeClass::Other:
            out.setText(text);
            return;
    }
}

}  // namespace db
