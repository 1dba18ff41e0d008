#pragma once

#include "PgType.h"
#include "Value.h"

namespace db {

// Converts a value assigned to a target column to that column's type, as the
// server's own cast would: numeric to integer rounds half away from zero, float to
// integer half to even, text must read as a number for numeric columns, booleans
// read 0/1/true/false. Writes into `out` (keeping its buffer); returns nullptr on
// success, otherwise why the value does not fit. `in` and `out` may be the same.
const char* castToColumn(const Value& in, PgTypeClass column, Value& out);

}  // namespace db
