#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tdsserver {

class PgConnection;
class PgResult;

// TDS data types this server sends (the values are the TYPE_INFO type bytes).
enum class TdsType : std::uint8_t {
    IntN = 0x26,
    BitN = 0x68,
    FltN = 0x6D,
    DecimalN = 0x6A,
    MoneyN = 0x6E,
    DateTimeN = 0x6F,
    BigVarChar = 0xA7,
    BigChar = 0xAF,
    NVarChar = 0xE7,
    NChar = 0xEF,
    Text = 0x23,
    NText = 0x63,
    Image = 0x22,
    BigVarBinary = 0xA5,
    Guid = 0x24,
};

// How one result column is described to the client and how its values are
// encoded; decided once per result set from the PostgreSQL column type.
struct ColumnPlan {
    std::string name;
    TdsType type = TdsType::BigVarChar;
    std::uint8_t size = 0;        // IntN, FltN, MoneyN, DateTimeN, DecimalN byte sizes
    std::uint8_t precision = 0;   // DecimalN
    std::uint8_t scale = 0;       // DecimalN
    std::uint16_t maxLength = 0;  // BigVarChar, BigChar, NVarChar, NChar, BigVarBinary (bytes)

    // typeName is the column's domain name when it has one (tinyint, money,
    // datetime, nvarchar, ...), else empty; fromTable says whether the column
    // is a table column (an unbounded text column then becomes TEXT).
    static ColumnPlan forPostgres(std::string name, unsigned oid, int typmod,
                                  std::string_view domainName, bool fromTable);
};

// Plans every column of a described statement, looking up the domains of
// table columns on conn (which must be idle).
std::vector<ColumnPlan> planColumns(const PgResult& description, PgConnection& conn);

}  // namespace tdsserver
