#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ColumnType.h"
#include "Value.h"

namespace db {

// What the tool reads from an open query: its columns and the current row.
// Column lookups by name prefer the exact name and otherwise ignore ASCII case (the
// source's collations do); use findColumn once per table and value(index) per row
// on hot paths.
class RowReader {
public:
    virtual ~RowReader() = default;

    virtual const std::vector<Column>& columns() const = 0;
    // Index of the first column of that name (exact, else ignoring ASCII case), -1
    // when there is none.
    int findColumn(std::string_view name) const;
    bool hasColumn(std::string_view name) const { return findColumn(name) >= 0; }

    virtual bool eof() const = 0;
    virtual void next() = 0;
    // 1-based number of the current row.
    virtual int64_t recNo() const = 0;

    // Values of the current row. Throws FieldNotFound for an unknown name.
    virtual const Value& value(int index) const = 0;
    const Value& fieldByName(std::string_view name) const;
    std::string asText(std::string_view name) const { return fieldByName(name).toText(); }
    int64_t asInteger(std::string_view name) const;

protected:
    RowReader() = default;
};

}  // namespace db
