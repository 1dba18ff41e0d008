#include "tds-testserver/SqlServerErrors.h"

#include <regex>

namespace tdsserver {
namespace {

// The first "quoted" word of a PostgreSQL message, or empty.
std::string quoted(const std::string& message) {
    static const std::regex pattern(R"re("([^"]*)")re");
    std::smatch m;
    return std::regex_search(message, m, pattern) ? m[1].str() : std::string();
}

// "Key (a, b)=(1, x) already exists." -> "(1, x)"
std::string duplicateValue(const std::string& detail) {
    static const std::regex pattern(R"(\)=(\(.*\)) already exists)");
    std::smatch m;
    return std::regex_search(detail, m, pattern) ? m[1].str() : std::string("(?)");
}

}  // namespace

SqlError sqlServerError(const PgFault& f) {
    const std::string& state = f.sqlState;
    if (state == "42P01") {
        const std::string name = quoted(f.message);
        if (!name.empty()) return SqlError(208, "Invalid object name '" + name + "'.");
        return SqlError(208, f.message);
    }
    if (state == "42703") {
        // 'column "x" does not exist' or 'column t.x does not exist'
        static const std::regex unquoted(R"(^column (?:\w+\.)?(\w+) does not exist)");
        std::smatch m;
        std::string name = quoted(f.message);
        if (name.empty() && std::regex_search(f.message, m, unquoted)) name = m[1].str();
        if (!name.empty()) return SqlError(207, "Invalid column name '" + name + "'.");
        return SqlError(207, f.message);
    }
    if (state == "42601") {
        const std::string near = quoted(f.message);
        if (!near.empty()) return SqlError(102, "Incorrect syntax near '" + near + "'.");
        return SqlError(102, "Incorrect syntax near the end of the statement.");
    }
    if (state == "22012") return SqlError(8134, "Divide by zero error encountered.");
    if (state == "23505") {
        const bool primary = f.constraint.ends_with("_pkey") || f.constraint.starts_with("pk");
        return SqlError(2627, std::string("Violation of ") +
                                  (primary ? "PRIMARY KEY" : "UNIQUE KEY") + " constraint '" +
                                  f.constraint + "'. Cannot insert duplicate key in object 'dbo." +
                                  f.table + "'. The duplicate key value is " +
                                  duplicateValue(f.detail) + ".");
    }
    if (state == "23502")
        return SqlError(515, "Cannot insert the value NULL into column '" + f.column +
                                 "', table 'dbo." + f.table +
                                 "'; column does not allow nulls. INSERT fails.");
    if (state == "42P07") {
        const std::string name = quoted(f.message);
        return SqlError(2714, "There is already an object named '" + name + "' in the database.");
    }
    struct Pair {
        const char* state;
        int number;
    };
    // Faults whose number clients check but whose wording PostgreSQL's text serves.
    static constexpr Pair numbered[] = {
        {"22P02", 245},   // conversion failed
        {"22003", 8115},  // arithmetic overflow
        {"3D000", 911},   // database does not exist
        {"42P04", 1801},  // database already exists
        {"42883", 195},   // not a recognised built-in function name
    };
    for (const Pair& p : numbered)
        if (state == p.state) return SqlError(p.number, f.message);
    return SqlError(50000, f.message);
}

}  // namespace tdsserver
