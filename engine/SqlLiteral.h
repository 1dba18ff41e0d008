#pragma once

#include <string>
#include <string_view>

namespace engine {

// `text` as one SQL string literal: quotes doubled; a text holding a backslash is
// written in the E'' form with the backslashes doubled as well, so the literal
// means the same whatever standard_conforming_strings says.
std::string quoteSqlLiteral(std::string_view text);

}  // namespace engine
