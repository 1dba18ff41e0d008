#include "tds-testserver/ColumnPlan.h"

#include <libpq-fe.h>

#include <algorithm>
#include <map>
#include <utility>

#include "tds-testserver/PgConnection.h"

namespace tdsserver {
namespace {

namespace oid {
constexpr unsigned Bool = 16, Bytea = 17, Name = 19, Int8 = 20, Int2 = 21, Int4 = 23, Text = 25,
                   Oid = 26, Float4 = 700, Float8 = 701, BpChar = 1042, VarChar = 1043, Date = 1082,
                   Timestamp = 1114, TimestampTz = 1184, Numeric = 1700, Uuid = 2950;
}

constexpr std::uint16_t MaxShortLength = 8000;

std::uint8_t decimalSize(int precision) {
    return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

// varchar(n) counts characters, a code-page-936 column bytes: a Chinese
// character takes two, so the declared byte length is twice the character count.
std::uint16_t byteLength(int typmod) {
    if (typmod < 4) return MaxShortLength;
    return static_cast<std::uint16_t>(std::min<int>((typmod - 4) * 2, MaxShortLength));
}

ColumnPlan make(std::string name, TdsType type, std::uint8_t size = 0,
                std::uint16_t maxLength = 0) {
    ColumnPlan plan;
    plan.name = std::move(name);
    plan.type = type;
    plan.size = size;
    plan.maxLength = maxLength;
    return plan;
}

}  // namespace

ColumnPlan ColumnPlan::forPostgres(std::string name, unsigned typeOid, int typmod,
                                   std::string_view domain, bool fromTable) {
    if (domain == "tinyint") return make(std::move(name), TdsType::IntN, 1);
    if (domain == "money") return make(std::move(name), TdsType::MoneyN, 8);
    if (domain == "smallmoney") return make(std::move(name), TdsType::MoneyN, 4);
    if (domain == "datetime") return make(std::move(name), TdsType::DateTimeN, 8);
    if (domain == "smalldatetime") return make(std::move(name), TdsType::DateTimeN, 4);
    if (domain == "nvarchar") return make(std::move(name), TdsType::NVarChar, 0, MaxShortLength);
    if (domain == "nchar") return make(std::move(name), TdsType::NChar, 0, MaxShortLength);
    if (domain == "ntext") return make(std::move(name), TdsType::NText);
    if (domain == "image") return make(std::move(name), TdsType::Image);
    if (domain == "varbinary")
        return make(std::move(name), TdsType::BigVarBinary, 0, MaxShortLength);
    if (domain == "uniqueidentifier") return make(std::move(name), TdsType::Guid, 16);

    switch (typeOid) {
        case oid::Bool:
            return make(std::move(name), TdsType::BitN, 1);
        case oid::Int2:
            return make(std::move(name), TdsType::IntN, 2);
        case oid::Int4:
            return make(std::move(name), TdsType::IntN, 4);
        case oid::Int8:
        case oid::Oid:
            return make(std::move(name), TdsType::IntN, 8);
        case oid::Float4:
            return make(std::move(name), TdsType::FltN, 4);
        case oid::Float8:
            return make(std::move(name), TdsType::FltN, 8);
        case oid::Numeric: {
            // Unconstrained numeric has no declared precision; declare the widest
            // and let the encoder refuse what does not fit.
            int precision = 38, scale = 10;
            if (typmod >= 4) {
                precision = std::min(((typmod - 4) >> 16) & 0xFFFF, 38);
                scale = std::min((typmod - 4) & 0xFFFF, precision);
            }
            ColumnPlan plan = make(std::move(name), TdsType::DecimalN, decimalSize(precision));
            plan.precision = static_cast<std::uint8_t>(precision);
            plan.scale = static_cast<std::uint8_t>(scale);
            return plan;
        }
        case oid::Date:
        case oid::Timestamp:
        case oid::TimestampTz:
            return make(std::move(name), TdsType::DateTimeN, 8);
        case oid::Uuid:
            return make(std::move(name), TdsType::Guid, 16);
        case oid::Bytea:
            return make(std::move(name), TdsType::Image);
        case oid::Name:
            return make(std::move(name), TdsType::NVarChar, 0, 256);
        case oid::BpChar:
            return make(std::move(name), typmod >= 4 ? TdsType::BigChar : TdsType::BigVarChar, 0,
                        byteLength(typmod));
        case oid::VarChar:
            return make(std::move(name), TdsType::BigVarChar, 0, byteLength(typmod));
        case oid::Text:
            if (fromTable) return make(std::move(name), TdsType::Text);
            return make(std::move(name), TdsType::BigVarChar, 0, MaxShortLength);
        default:
            // Anything else goes out as its PostgreSQL text form.
            return make(std::move(name), TdsType::BigVarChar, 0, MaxShortLength);
    }
}

std::vector<ColumnPlan> planColumns(const PgResult& description, PgConnection& conn) {
    const int columns = description.columns();
    PGresult* raw = description.get();

    // Domain names are only known through the table's catalogue entry: the
    // protocol reports a domain column by its base type.
    std::map<std::pair<unsigned, int>, std::string> domains;
    std::string tables;
    for (int c = 0; c < columns; ++c) {
        if (Oid table = PQftable(raw, c); table != InvalidOid) {
            if (!tables.empty()) tables += ',';
            tables += std::to_string(table);
        }
    }
    if (!tables.empty()) {
        PgResult found = conn.exec(
            "select a.attrelid, a.attnum, t.typname from pg_attribute a "
            "join pg_type t on t.oid = a.atttypid "
            "where t.typtype = 'd' and a.attnum > 0 and a.attrelid = any($1::oid[])",
            {"{" + tables + "}"});
        for (int r = 0; r < found.rows(); ++r)
            domains[{static_cast<unsigned>(std::stoul(found.value(r, 0))),
                     std::stoi(found.value(r, 1))}] = found.value(r, 2);
    }

    std::vector<ColumnPlan> plans;
    plans.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        const Oid table = PQftable(raw, c);
        std::string domain;
        if (table != InvalidOid) {
            auto it = domains.find({table, PQftablecol(raw, c)});
            if (it != domains.end()) domain = it->second;
        }
        // An expression without a name is nameless on SQL Server too.
        std::string name = PQfname(raw, c);
        if (name == "?column?") name.clear();
        plans.push_back(ColumnPlan::forPostgres(std::move(name), PQftype(raw, c), PQfmod(raw, c),
                                                domain, table != InvalidOid));
    }
    return plans;
}

}  // namespace tdsserver
