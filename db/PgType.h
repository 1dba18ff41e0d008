#pragma once

#include <string_view>

#include "ColumnType.h"
#include "Value.h"

namespace db {

// How a PostgreSQL column type is read, written and converted to.
enum class PgTypeClass {
    Bool,
    Int2,
    Int4,
    Int8,
    Numeric,
    Money,
    Float4,
    Float8,
    Text,
    Bytea,
    DateTime,
    Uuid,
    Other
};

PgTypeClass pgTypeClass(unsigned int oid);
ColumnType pgColumnType(unsigned int oid);
const char* pgTypeClassName(PgTypeClass type);

// Fills `out` from a value of a text-format result.
void decodePgText(std::string_view text, PgTypeClass type, Value& out);

}  // namespace db
