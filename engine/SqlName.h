#pragma once

#include <string>
#include <string_view>

namespace engine {

// Table and column names as they go into statements. A name that the server
// reads unquoted as exactly that name (lower-case letters, digits and "_", not a
// reserved word) goes in as it is; any other name is quoted, so a name can never
// end a statement or start another one.

// PostgreSQL: "x", with inner double quotes doubled.
std::string targetName(std::string_view name);

// SQL Server: [x], with inner "]" doubled.
std::string sourceName(std::string_view name);

}  // namespace engine
