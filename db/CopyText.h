#pragma once

#include <string>
#include <string_view>

#include "Value.h"

namespace db {

// Text forms of values sent to the target: fields of COPY's text format (NULL as
// \N, backslash escapes) and parameters of a statement.

void appendCopyField(const Value& value, std::string& out);

// Not for NULL values, which are sent as a null parameter.
void appendParameterText(const Value& value, std::string& out);

// Reads the next field of a row of COPY's text format from the front of `row`,
// which is advanced past it and its tab: the unescaped text goes into `field`
// (its buffer reused) and `isNull` tells \N. The caller knows how many fields a
// row has.
void nextCopyField(std::string_view& row, std::string& field, bool& isNull);

}  // namespace db
