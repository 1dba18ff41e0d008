#include <gtest/gtest.h>

#include "tds-testserver/ColumnPlan.h"
#include "tds-testserver/TdsError.h"
#include "tds-testserver/ValueEncoder.h"

using namespace tdsserver;

namespace {

constexpr unsigned Int4 = 23, Numeric = 1700, Timestamp = 1114, VarChar = 1043, Uuid = 2950;

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

ColumnPlan plan(unsigned oid, int typmod, const char* domain = "") {
    return ColumnPlan::forPostgres("c", oid, typmod, domain, true);
}

int numericTypmod(int precision, int scale) { return (precision << 16 | scale) + 4; }

struct EncodeCase {
    const char* what;
    ColumnPlan column;
    std::string text;
    std::string bytes;
};

TEST(ValueEncoder, EncodesExactly) {
    ValueEncoder encoder;
    const EncodeCase cases[] = {
        {"numeric(10,2)", plan(Numeric, numericTypmod(10, 2)), "-12345.67",
         "09 00 87 D6 12 00 00 00 00 00"},
        {"numeric scale padding", plan(Numeric, numericTypmod(5, 3)), "1.5", "05 01 DC 05 00 00"},
        {"numeric(38,0) large", plan(Numeric, numericTypmod(38, 0)), "12345678901234567890123",
         "11 01 CB 44 42 71 76 4E B6 42 9D 02 00 00 00 00 00 00"},
        {"money", plan(Numeric, numericTypmod(19, 4), "money"), "-1.0001",
         "08 FF FF FF FF EF D8 FF FF"},
        {"smallmoney", plan(Numeric, numericTypmod(10, 4), "smallmoney"), "2.5", "04 A8 61 00 00"},
        {"datetime", plan(Timestamp, 3, "datetime"), "2024-02-29 13:45:30.5",
         "08 25 B1 00 00 8E BB E2 00"},
        {"datetime before 1900", plan(Timestamp, 3, "datetime"), "1899-12-31 00:00:00",
         "08 FF FF FF FF 00 00 00 00"},
        {"smalldatetime rounds to the minute", plan(Timestamp, 0, "smalldatetime"),
         "2024-02-29 13:45:30", "04 25 B1 3A 03"},
        {"tinyint", plan(21, -1, "tinyint"), "255", "01 FF"},
        {"int", plan(Int4, -1), "-2", "04 FE FF FF FF"},
        {"guid", plan(Uuid, -1, "uniqueidentifier"), "00112233-4455-6677-8899-aabbccddeeff",
         "10 33 22 11 00 55 44 77 66 88 99 AA BB CC DD EE FF"},
        {"code page 936 user-defined characters", plan(VarChar, 24), "\xEE\x9C\xB4\xEE\x80\x99",
         "04 00 A7 6E AA BA"},
        {"Chinese text", plan(VarChar, 24), "中文", "04 00 D6 D0 CE C4"},
        {"euro sign is the single byte 80", plan(VarChar, 24), "\xE2\x82\xAC", "01 00 80"},
        {"outside code page 936", plan(VarChar, 24), "\xF0\x9F\x98\x80x", "02 00 3F 78"},
        {"nvarchar", plan(VarChar, -1, "nvarchar"), "中a", "04 00 2D 4E 61 00"},
        {"varbinary", plan(17, -1, "varbinary"), "\\x00ff", "02 00 00 FF"},
    };
    for (const EncodeCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(hex(encoder.encode(c.column, c.text)), c.bytes);
    }
}

TEST(ValueEncoder, RefusesWhatTheColumnCannotHold) {
    ValueEncoder encoder;
    const std::pair<ColumnPlan, std::string> cases[] = {
        {plan(Numeric, numericTypmod(5, 2)), "1234.56"},  // beyond the declared precision
        {plan(Numeric, -1), "0.12345678901"},             // unconstrained: more than 10 decimals
        {plan(21, -1, "tinyint"), "256"},
        {plan(Numeric, numericTypmod(10, 4), "smallmoney"), "214749.0000"},
        {plan(VarChar, 6), "12345"},  // varchar(1): two bytes at most
    };
    for (const auto& [column, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_THROW(encoder.encode(column, text), SqlError);
    }
}

TEST(ColumnPlan, MapsSqlServerTypeNames) {
    struct Case {
        unsigned oid;
        int typmod;
        const char* domain;
        TdsType type;
        int size;
    };
    const Case cases[] = {
        {21, -1, "tinyint", TdsType::IntN, 1},
        {21, -1, "", TdsType::IntN, 2},
        {20, -1, "", TdsType::IntN, 8},
        {16, -1, "", TdsType::BitN, 1},
        {700, -1, "", TdsType::FltN, 4},
        {701, -1, "", TdsType::FltN, 8},
        {1700, numericTypmod(19, 4), "money", TdsType::MoneyN, 8},
        {1700, numericTypmod(12, 3), "", TdsType::DecimalN, 9},
        {1114, 3, "datetime", TdsType::DateTimeN, 8},
        {1114, 0, "smalldatetime", TdsType::DateTimeN, 4},
        {1043, -1, "nvarchar", TdsType::NVarChar, 0},
        {1043, -1, "nchar", TdsType::NChar, 0},
        {25, -1, "ntext", TdsType::NText, 0},
        {25, -1, "", TdsType::Text, 0},
        {17, -1, "image", TdsType::Image, 0},
        {17, -1, "varbinary", TdsType::BigVarBinary, 0},
        {2950, -1, "uniqueidentifier", TdsType::Guid, 16},
        {1042, 14, "", TdsType::BigChar, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.oid) + " " + c.domain);
        const ColumnPlan p = ColumnPlan::forPostgres("c", c.oid, c.typmod, c.domain, true);
        EXPECT_EQ(p.type, c.type);
        EXPECT_EQ(p.size, c.size);
    }
    const ColumnPlan decimal = ColumnPlan::forPostgres("c", 1700, numericTypmod(12, 3), "", true);
    EXPECT_EQ(decimal.precision, 12);
    EXPECT_EQ(decimal.scale, 3);
    EXPECT_EQ(ColumnPlan::forPostgres("c", 1042, 14, "", true).maxLength, 20);
}

}  // namespace
