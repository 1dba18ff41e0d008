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
// which is advanced past it and its tab, and returns its unescaped text: a view
// into `row` when the field holds no escape, else into `buffer` (reused).
// `isNull` tells \N. The caller knows how many fields a row has.
std::string_view nextCopyField(std::string_view& row, std::string& buffer, bool& isNull);

}  // namespace db
