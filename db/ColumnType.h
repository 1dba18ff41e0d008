#pragma once

#include <string>

namespace db {

// The column types the tool distinguishes, in the words of the legacy data-access
// layer. PostgreSQL varchar is VarChar (plain text), bpchar is Char, text is
// LongText (a memo, not plain text), bytea is LongBinary. SQL Server types map by
// the type db-lib reports, which folds char into varchar, binary into varbinary
// and the N-types into their narrow forms (their text arrives converted).
enum class ColumnType {
    Boolean,
    SmallInt,
    Integer,
    BigInt,
    Decimal,
    Money,
    Float,
    DateTime,
    Date,
    Time,
    VarChar,
    Char,
    WideVarChar,
    WideChar,
    LongText,
    WideLongText,
    Binary,
    VarBinary,
    LongBinary,
    Guid,
    Other,
};

// The ordinary variable-length string type: the only one the text cleaning applies to.
inline bool isPlainText(ColumnType t) { return t == ColumnType::VarChar; }

// Fixed-length binary, variable-length binary or binary large object.
inline bool isBinary(ColumnType t) {
    return t == ColumnType::Binary || t == ColumnType::VarBinary || t == ColumnType::LongBinary;
}

struct Column {
    std::string name;
    ColumnType type = ColumnType::Other;
    unsigned int typeOid = 0;  // PostgreSQL type OID (target) or db-lib type number (source)
};

const char* columnTypeName(ColumnType t);

}  // namespace db
