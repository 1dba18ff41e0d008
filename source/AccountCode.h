#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace db {
class SourceQuery;
}

namespace source {

// Which field a refusal puts the focus back into.
enum class AccountCodeField { AccountCode, DataDirectory };

struct AccountCodeRefusal {
    std::string message;  // shown with caption "提示", a warning icon and an OK button
    AccountCodeField field;
};

// The rules an account code must pass before a database is named after it: they
// keep blanks, quotes, brackets and wildcards out of "QXLirToOrbit_" + code, and
// the name within what the legacy product accepts. The characters are looked for
// in the code's code-page-936 bytes, and the length counts those bytes, so a
// Chinese character counts 2 and one whose second byte is "\", "_" or "|" is
// refused by that character's rule. Only the first failing rule is reported.

// The import dialog's check.
std::optional<AccountCodeRefusal> CheckAccountCode(std::string_view code);

// The restore dialog's check, which also requires a data directory (before the
// length rule).
std::optional<AccountCodeRefusal> CheckAccountCode(std::string_view code,
                                                   std::string_view dataDirectory);

// "QXLirToOrbit_" followed by the code trimmed of blanks.
std::string SourceDatabaseName(std::string_view code);

// Whether a user database of the name "QXLirToOrbit_" + code exists, compared
// without case by the server. Runs one query on `query`; a failing query raises
// db::DbError.
bool SourceDatabaseExists(db::SourceQuery& query, std::string_view trimmedCode);

inline constexpr const char* kNameTakenMessage = "存在相同的帐套名!";

}  // namespace source
