#pragma once

#include <string>

namespace core {

// Directory of the running executable (config.ini, sql/, log/, backup/ live there
// unless a front end names another), without a trailing separator.
std::string executableDir();

// `dir` joined with a relative path such as "sql/updatebegin.sql".
std::string joinPath(const std::string& dir, const std::string& relative);

}  // namespace core
