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

}  // namespace db
