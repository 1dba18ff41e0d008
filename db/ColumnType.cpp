#include "ColumnType.h"

namespace db {

const char* columnTypeName(ColumnType t) {
    switch (t) {
        case ColumnType::Boolean:
            return "Boolean";
        case ColumnType::SmallInt:
            return "SmallInt";
        case ColumnType::Integer:
            return "Integer";
        case ColumnType::BigInt:
            return "BigInt";
        case ColumnType::Decimal:
            return "Decimal";
        case ColumnType::Money:
            return "Money";
        case ColumnType::Float:
            return "Float";
        case ColumnType::DateTime:
            return "DateTime";
        case ColumnType::Date:
            return "Date";
        case ColumnType::Time:
            return "Time";
        case ColumnType::VarChar:
            return "VarChar";
        case ColumnType::Char:
            return "Char";
        case ColumnType::WideVarChar:
            return "WideVarChar";
        case ColumnType::WideChar:
            return "WideChar";
        case ColumnType::LongText:
            return "LongText";
        case ColumnType::WideLongText:
            return "WideLongText";
        case ColumnType::Binary:
            return "Binary";
        case ColumnType::VarBinary:
            return "VarBinary";
        case ColumnType::LongBinary:
            return "LongBinary";
        case ColumnType::Guid:
            return "Guid";
        case ColumnType::Other:
            return "Other";
    }
    return "Other";
}

}  // namespace db
