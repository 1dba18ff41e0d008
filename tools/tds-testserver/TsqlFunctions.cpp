#include "tds-testserver/TsqlFunctions.h"

#include <cctype>
#include <regex>
#include <vector>

namespace tdsserver {

std::vector<bool> literalMask(const std::string& sql) {
    std::vector<bool> mask(sql.size(), false);
    bool in = false;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        if (sql[i] == '\'') in = !in;  // a doubled quote toggles twice
        mask[i] = in || sql[i] == '\'';
    }
    return mask;
}

namespace {

using std::regex_constants::icase;

// The position of the parenthesis closing the one at open, or npos.
std::size_t closing(const std::string& sql, const std::vector<bool>& mask, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < sql.size(); ++i) {
        if (mask[i]) continue;
        if (sql[i] == '(') ++depth;
        if (sql[i] == ')' && --depth == 0) return i;
    }
    return std::string::npos;
}

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// The top-level comma-separated arguments between open and close.
std::vector<std::string> arguments(const std::string& sql, const std::vector<bool>& mask,
                                   std::size_t open, std::size_t close) {
    std::vector<std::string> args;
    int depth = 0;
    std::size_t from = open + 1;
    for (std::size_t i = open + 1; i < close; ++i) {
        if (mask[i]) continue;
        if (sql[i] == '(') ++depth;
        if (sql[i] == ')') --depth;
        if (sql[i] == ',' && depth == 0) {
            args.push_back(trim(sql.substr(from, i - from)));
            from = i + 1;
        }
    }
    args.push_back(trim(sql.substr(from, close - from)));
    return args;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A SQL Server type name as PostgreSQL spells it in a cast.
std::string castType(const std::string& type) {
    static const std::regex character(R"(^n?(var)?char\s*(\(\s*(\d+|max)\s*\))?$)", icase);
    std::smatch m;
    const std::string t = lower(trim(type));
    if (std::regex_match(t, m, character)) {
        const std::string base = m[1].matched ? "varchar" : "char";
        if (!m[3].matched) return base == "char" ? "char(30)" : "varchar(30)";
        if (m[3] == "max") return "text";
        return base + "(" + m[3].str() + ")";
    }
    if (t == "bit") return "boolean";
    if (t == "datetime") return "timestamp(3)";
    if (t == "smalldatetime") return "timestamp(0)";
    if (t == "tinyint") return "smallint";
    if (t == "uniqueidentifier") return "uuid";
    return t;
}

// convert(varchar, x, style) for the date styles clients ask for.
std::string styled(const std::string& expr, int style) {
    switch (style) {
        case 126:
        case 127:
            return "pg_temp.iso8601(" + expr + ")";
        case 120:
        case 20:
            return "to_char(" + expr + ", 'YYYY-MM-DD HH24:MI:SS')";
        case 121:
        case 21:
            return "to_char(" + expr + ", 'YYYY-MM-DD HH24:MI:SS.MS')";
        case 23:
            return "to_char(" + expr + ", 'YYYY-MM-DD')";
        case 112:
            return "to_char(" + expr + ", 'YYYYMMDD')";
        case 108:
        case 8:
            return "to_char(" + expr + ", 'HH24:MI:SS')";
        default:
            return {};
    }
}

// Applies make(args, callText) to every call of the function matched by name,
// outer calls first; the search goes on `skip` bytes into each replacement.
template <typename Make>
std::string eachCall(std::string sql, const std::regex& name, std::size_t skip, Make make) {
    std::size_t from = 0;
    for (;;) {
        std::smatch m;
        const auto start = sql.cbegin() + static_cast<long>(from);
        if (!std::regex_search(start, sql.cend(), m, name)) return sql;
        const std::size_t at = from + static_cast<std::size_t>(m.position());
        const std::vector<bool> mask = literalMask(sql);
        const std::size_t open = at + static_cast<std::size_t>(m.length()) - 1;
        if (mask[at] || (at > 0 && (sql[at - 1] == '.' || sql[at - 1] == '_'))) {
            from = at + 1;
            continue;
        }
        const std::size_t close = closing(sql, mask, open);
        if (close == std::string::npos) return sql;
        const std::string replacement =
            make(arguments(sql, mask, open, close), sql.substr(at, close + 1 - at));
        sql.replace(at, close + 1 - at, replacement);
        from = at + skip;
    }
}

}  // namespace

std::string rewriteFunctionCalls(std::string sql) {
    static const std::regex count(R"(\bcount\s*\()", icase);
    static const std::regex convert(R"(\bconvert\s*\()", icase);
    sql = eachCall(sql, convert, 1,
                   [](const std::vector<std::string>& args, const std::string& call) {
                       if (args.size() < 2) return call;
                       if (args.size() >= 3) {
                           const std::string s = styled(args[1], std::atoi(args[2].c_str()));
                           if (!s.empty()) return s;
                       }
                       return "cast(" + args[1] + " as " + castType(args[0]) + ")";
                   });
    // SQL Server types count int: cast(count(...) as int), and count_big stays bigint.
    sql = eachCall(sql, count, 11, [](const std::vector<std::string>&, const std::string& call) {
        return "cast(" + call + " as int)";
    });
    static const std::regex bigBack(R"(\bcount_big\s*\()", icase);
    return std::regex_replace(sql, bigBack, "count(");
}

}  // namespace tdsserver
