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

// Where the first code after blanks and comments starts (s.size() when none does).
std::size_t codeStart(std::string_view s);
bool onlyComments(std::string_view s) { return codeStart(s) == s.size(); }

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

std::string lowerWord(std::string_view s, std::size_t i) {
    std::string word;
    while (i < s.size() && isWordChar(s[i]))
        word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(s[i++]))));
    return word;
}

// Words that begin a statement when they open a line.
bool startsStatement(const std::string& word) {
    static const char* const words[] = {
        "select",   "insert", "update",  "delete",   "create",  "drop",   "alter",
        "truncate", "exec",   "execute", "set",      "use",     "if",     "declare",
        "print",    "begin",  "commit",  "rollback", "save",    "grant",  "revoke",
        "restore",  "backup", "dbcc",    "merge",    "waitfor", "return", "raiserror"};
    for (const char* w : words)
        if (word == w) return true;
    return false;
}

// The last word of text (lower case), or its last character when that is no word character.
std::string lastToken(std::string_view text) {
    std::size_t e = text.size();
    while (e > 0 && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (e == 0) return {};
    if (!isWordChar(text[e - 1])) return std::string(1, text[e - 1]);
    std::size_t b = e;
    while (b > 0 && isWordChar(text[b - 1])) --b;
    return lowerWord(text, b);
}

bool contains(std::string_view text, std::string_view word) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (wordAt(text, i, word)) return true;
    return false;
}

// Whether a line opening with `word` goes on the statement `current` rather
// than starting the next one: T-SQL needs no separator between statements,
// but "insert into t" + "select ...", "update t" + "set ...", "... union" +
// "select ..." and an if's condition + its body are one statement.
bool continues(std::string_view current, const std::string& word) {
    current.remove_prefix(codeStart(current));
    static const char* const joiners[] = {
        "union", "all",  "except", "intersect", "as",    "and", "or", "not", "exists",
        "in",    "then", "else",   "from",      "where", "on",  "by", "for", "=",
        ",",     "(",    "+",      "-",         "*",     "/",   "<",  ">"};
    const std::string last = lastToken(current);
    for (const char* j : joiners)
        if (last == j) return true;
    const std::string first = lowerWord(current, 0);
    if (first == "if") {
        // The first statement after an if's condition is its body.
        std::size_t i = 2;
        int depth = 0;
        bool body = false;
        for (; i < current.size(); ++i) {
            if (current[i] == '(') ++depth;
            if (current[i] == ')') --depth;
            if (depth == 0 && isWordChar(current[i]) && !isWordChar(current[i - 1]) &&
                startsStatement(lowerWord(current, i)))
                body = true;
        }
        return !body;
    }
    if (first == "with") {
        // A common table expression goes on up to its statement.
        int depth = 0;
        for (std::size_t i = 4; i < current.size(); ++i) {
            if (current[i] == '(') ++depth;
            if (current[i] == ')') --depth;
            if (depth == 0 && isWordChar(current[i]) && !isWordChar(current[i - 1]) &&
                startsStatement(lowerWord(current, i)))
                return false;
        }
        return true;
    }
    if (word == "select")
        return (first == "insert" || first == "create" || first == "alter" || first == "declare") &&
               !contains(current, "select") && !contains(current, "values");
    if (word == "set") return first == "update" && !contains(current, "set");
    if (word == "drop") return first == "alter";
    return false;
}

// "begin tran[saction]" is a statement, not the start of a block.
bool beginsTransaction(std::string_view s, std::size_t i) {
    std::size_t k = i + 5;
    while (k < s.size() && std::isspace(static_cast<unsigned char>(s[k]))) ++k;
    return wordAt(s, k, "tran") || wordAt(s, k, "transaction") || wordAt(s, k, "distributed");
}

std::size_t codeStart(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        if (std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        else if ((s[i] == '-' || s[i] == '/') && skipQuoted(s, i) != i)
            i = skipQuoted(s, i);
        else
            break;
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
        if (!onlyComments(text)) statements.push_back(std::move(text));
        start = next;
        ifBlock = false;
    };
    for (std::size_t i = 0; i < sql.size();) {
        if (std::size_t past = skipQuoted(sql, i); past != i) {
            // A line comment ends its line: look at the next line as after a break.
            if (sql[i] == '-' && past < sql.size() && sql[past - 1] == '\n') {
                i = past - 1;
            } else {
                i = past;
                continue;
            }
        }
        const char c = sql[i];
        if (c == '(') {
            ++parens;
        } else if (c == ')') {
            --parens;
        } else if (c == ';' && parens <= 0 && blocks <= 0) {
            cut(i, i + 1);
        } else if (c == '\n' && parens <= 0 && blocks <= 0) {
            std::size_t k = i + 1;
            while (k < sql.size() && std::isspace(static_cast<unsigned char>(sql[k]))) ++k;
            const std::string word = lowerWord(sql, k);
            const std::string_view current = sql.substr(start, i - start);
            if (startsStatement(word) && !onlyComments(current) && !continues(current, word))
                cut(i, i + 1);
        } else if (wordAt(sql, i, "if") && onlyComments(sql.substr(start, i - start))) {
            ifBlock = true;
        } else if ((wordAt(sql, i, "begin") && !beginsTransaction(sql, i)) ||
                   wordAt(sql, i, "case")) {
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
