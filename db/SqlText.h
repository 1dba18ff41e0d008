#pragma once

#include <string>
#include <string_view>

namespace db {

// UTF-8 text in db-lib's client character set (GB18030), for statements and login
// names. Throws DbError for text that is not UTF-8.
std::string encodeSqlText(std::string_view utf8);

}  // namespace db
