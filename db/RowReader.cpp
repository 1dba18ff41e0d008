#include "RowReader.h"

#include "DbError.h"
#include "core/TextRules.h"

namespace db {

int RowReader::findColumn(std::string_view name) const {
    const auto& cols = columns();
    for (size_t i = 0; i < cols.size(); ++i) {
        if (cols[i].name == name) return static_cast<int>(i);
    }
    // Account sets live under case-insensitive collations: GoodsName is goodsname.
    for (size_t i = 0; i < cols.size(); ++i) {
        if (core::equalsIgnoreCaseAscii(cols[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

const Value& RowReader::fieldByName(std::string_view name) const {
    int index = findColumn(name);
    if (index < 0) throw FieldNotFound("field \"" + std::string(name) + "\" not found");
    return value(index);
}

int64_t RowReader::asInteger(std::string_view name) const {
    return fieldByName(name).toInteger(name);
}

}  // namespace db
