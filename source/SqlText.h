#pragma once

#include <string>
#include <string_view>

namespace source {

// `text` as a T-SQL string literal: in single quotes, each quote inside doubled,
// so a path such as /data/o'brien/ stays one literal.
std::string sqlString(std::string_view text);

}  // namespace source
