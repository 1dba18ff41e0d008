#include "tds-testserver/BatchSplitter.h"

#include <cctype>

namespace tdsserver {
namespace {

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#' ||
           c == '$';
}

bool wordAt(std::string_view s, std::size_t i, std::string_view word) {
    if (i + word.size() > s.size() || (i > 0 && isWordChar(s[i - 1]))) return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(s[i + k])) != word[k]) return false;
    return i + word.size() == s.size() || !isWordChar(s[i + word.size()]);
}

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

// Position just past the literal, quoted name or comment starting at i, or i
// when none starts there.
std::size_t skipQuoted(std::string_view s, std::size_t i) {
    const char c = s[i];
    if (c == '\'' || c == '"' || c == '[') {
        const char close = c == '[' ? ']' : c;
        for (std::size_t k = i + 1; k < s.size(); ++k) {
            if (s[k] == close) {
                if (k + 1 < s.size() && s[k + 1] == close) {  // doubled: escaped
                    ++k;
                    continue;
                }
                return k + 1;
            }
        }
        return s.size();
    }
    if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
        const std::size_t eol = s.find('\n', i);
        return eol == std::string_view::npos ? s.size() : eol + 1;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
        const std::size_t close = s.find("*/", i + 2);
        return close == std::string_view::npos ? s.size() : close + 2;
    }
    return i;
}

}  // namespace

std::vector<std::string> BatchSplitter::split(std::string_view sql) {
    std::vector<std::string> statements;
    std::size_t start = 0;
    int parens = 0, blocks = 0;
    bool ifBlock = false;
    auto cut = [&](std::size_t end, std::size_t next) {
        std::string text = trim(sql.substr(start, end - start));
        if (!text.empty()) statements.push_back(std::move(text));
        start = next;
        ifBlock = false;
    };
    for (std::size_t i = 0; i < sql.size();) {
        if (std::size_t past = skipQuoted(sql, i); past != i) {
            i = past;
            continue;
        }
        const char c = sql[i];
        if (c == '(') {
            ++parens;
        } else if (c == ')') {
            --parens;
        } else if (c == ';' && parens <= 0 && blocks <= 0) {
            cut(i, i + 1);
        } else if (wordAt(sql, i, "if") && trim(sql.substr(start, i - start)).empty()) {
            ifBlock = true;
        } else if (wordAt(sql, i, "begin") || wordAt(sql, i, "case")) {
            ++blocks;
        } else if (wordAt(sql, i, "end")) {
            if (--blocks == 0 && ifBlock && parens <= 0) {
                cut(i + 3, i + 3);
                i += 3;
                continue;
            }
        }
        ++i;
    }
    cut(sql.size(), sql.size());
    return statements;
}

std::optional<IfExists> BatchSplitter::parseIfExists(std::string_view s) {
    std::size_t i = 0;
    auto skipSpace = [&] {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    };
    skipSpace();
    if (!wordAt(s, i, "if")) return std::nullopt;
    i += 2;
    skipSpace();
    IfExists result;
    if (wordAt(s, i, "not")) {
        result.negated = true;
        i += 3;
        skipSpace();
    }
    if (!wordAt(s, i, "exists")) return std::nullopt;
    i += 6;
    skipSpace();
    if (i >= s.size() || s[i] != '(') return std::nullopt;
    const std::size_t open = i;
    int depth = 0;
    for (; i < s.size();) {
        if (std::size_t past = skipQuoted(s, i); past != i) {
            i = past;
            continue;
        }
        if (s[i] == '(')
            ++depth;
        else if (s[i] == ')' && --depth == 0)
            break;
        ++i;
    }
    if (i >= s.size()) return std::nullopt;
    result.condition = trim(s.substr(open + 1, i - open - 1));
    ++i;
    skipSpace();
    std::string rest = trim(s.substr(i));
    if (wordAt(rest, 0, "begin")) {
        std::size_t endAt = rest.size();
        while (endAt > 0 && (rest[endAt - 1] == ';' ||
                             std::isspace(static_cast<unsigned char>(rest[endAt - 1]))))
            --endAt;
        if (endAt < 3 || !wordAt(rest, endAt - 3, "end")) return std::nullopt;
        result.body = trim(std::string_view(rest).substr(5, endAt - 3 - 5));
    } else {
        result.body = rest;
    }
    return result;
}

}  // namespace tdsserver
