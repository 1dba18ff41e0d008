#include "AccountCode.h"

#include <algorithm>

#include "SqlText.h"
#include "core/Cp936.h"
#include "core/TextError.h"
#include "core/TextRules.h"
#include "db/SourceQuery.h"

namespace source {

namespace {

constexpr std::size_t kMaxCodeBytes = 20;

struct ForbiddenBytes {
    std::string_view bytes;
    const char* message;
};

// In the order they are tested.
constexpr ForbiddenBytes kForbidden[] = {
    {".", "账套代号不允许含'.'号！请使用数字、字母、汉字！"},
    {"*", "账套代号不允许含'*'符号！请使用数字、字母、汉字！"},
    {"_", "账套代号不允许含'_'符号！请使用数字、字母、汉字！"},
    {"-", "账套代号不允许含'-'符号！请使用数字、字母、汉字！"},
    {"|", "帐套代号中不允许包括'|'号！请使用数字、字母、汉字！"},
    {"'", "帐套代号中不允许包括单引号！请使用数字、字母、汉字！"},
    {"()", "帐套代号中不允许包括'('或')'号！请使用数字、字母、汉字！"},
    {"\\", "帐套代号中不允许包括''号！请使用数字、字母、汉字！"},
};

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

AccountCodeRefusal refuseCode(const char* message) {
    return {message, AccountCodeField::AccountCode};
}

// The rules before the data-directory test.
std::optional<AccountCodeRefusal> checkCharacters(std::string_view code) {
    if (core::trimBlanks(code).empty())
        return refuseCode("账套代号不允许为空！请使用数字、字母、汉字！");
    // Blanks and control characters anywhere: the name goes into statements unbracketed.
    if (std::any_of(code.begin(), code.end(), isBlank))
        return refuseCode("账套代号不能包含空格符！请使用数字、字母、汉字！");
    std::string bytes;
    try {
        bytes = core::toCp936(code);
    } catch (const core::TextError&) {
        // The server keeps names in code page 936: such a name could not be created.
        return refuseCode("账套代号包含无法识别的字符！请使用数字、字母、汉字！");
    }
    for (const auto& rule : kForbidden) {
        if (bytes.find_first_of(rule.bytes) != std::string::npos) return refuseCode(rule.message);
    }
    return std::nullopt;
}

std::optional<AccountCodeRefusal> checkLength(std::string_view code) {
    if (core::toCp936(code).size() > kMaxCodeBytes)
        return refuseCode("帐套代号长度不能大于20(一个汉字2个长度)！");
    return std::nullopt;
}

}  // namespace

std::optional<AccountCodeRefusal> CheckAccountCode(std::string_view code) {
    if (auto refusal = checkCharacters(code)) return refusal;
    return checkLength(code);
}

std::optional<AccountCodeRefusal> CheckAccountCode(std::string_view code,
                                                   std::string_view dataDirectory) {
    if (auto refusal = checkCharacters(code)) return refusal;
    if (core::trimBlanks(dataDirectory).empty())
        return AccountCodeRefusal{"数据目录不能为空！", AccountCodeField::DataDirectory};
    return checkLength(code);
}

std::string SourceDatabaseName(std::string_view code) {
    return "QXLirToOrbit_" + core::trimBlanks(code);
}

bool SourceDatabaseExists(db::SourceQuery& query, std::string_view trimmedCode) {
    query.close();
    query.setText(DatabaseExistsSql(SourceDatabaseName(trimmedCode)));
    query.open();
    bool taken = !query.eof();
    query.close();
    return taken;
}

}  // namespace source
