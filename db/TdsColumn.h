#pragma once

#include <sybdb.h>
#include <sybfront.h>

#include "ColumnType.h"
#include "Value.h"

namespace db {

// How one column of a db-lib result is read: decided once per result, applied
// per row without allocating (values keep their buffers).
class TdsColumn {
public:
    // `column` is 1-based, as db-lib counts.
    TdsColumn(DBPROCESS* dbproc, int column);

    const Column& column() const { return column_; }
    void decode(DBPROCESS* dbproc, Value& out) const;

private:
    void decodeText(const BYTE* data, DBINT length, Value& out) const;
    void decodeDate(DBPROCESS* dbproc, const BYTE* data, Value& out) const;

    Column column_;
    int index_;  // 1-based
    int type_;   // db-lib's type (dbcoltype)
    int scale_;  // fraction digits of datetime2 and time
};

}  // namespace db
