#include "tds-testserver/PgResult.h"

#include <libpq-fe.h>

#include <cstring>

#include "tds-testserver/TdsError.h"

namespace tdsserver {

PgResult::PgResult(PgResult&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }

PgResult& PgResult::operator=(PgResult&& other) noexcept {
    if (this != &other) {
        PQclear(result_);
        result_ = other.result_;
        other.result_ = nullptr;
    }
    return *this;
}

PgResult::~PgResult() { PQclear(result_); }

int PgResult::status() const noexcept { return PQresultStatus(result_); }

bool PgResult::failed() const noexcept {
    const int s = status();
    return s == PGRES_FATAL_ERROR || s == PGRES_BAD_RESPONSE || s == PGRES_NONFATAL_ERROR;
}

int PgResult::rows() const noexcept { return PQntuples(result_); }
int PgResult::columns() const noexcept { return PQnfields(result_); }
bool PgResult::isNull(int row, int column) const noexcept {
    return PQgetisnull(result_, row, column);
}

std::string PgResult::value(int row, int column) const {
    return std::string(PQgetvalue(result_, row, column), PQgetlength(result_, row, column));
}

std::string_view PgResult::view(int row, int column) const noexcept {
    return std::string_view(PQgetvalue(result_, row, column), PQgetlength(result_, row, column));
}

namespace {

// SQL Server's text for a missing table, with the name PostgreSQL quotes in
// 'relation "x" does not exist'; clients test for this text and number 208.
std::string invalidObjectName(const std::string& message) {
    const std::size_t open = message.find('"');
    const std::size_t close = open == std::string::npos ? open : message.find('"', open + 1);
    if (close == std::string::npos) return message;
    return "Invalid object name '" + message.substr(open + 1, close - open - 1) + "'.";
}

}  // namespace

void PgResult::check() const {
    if (!result_) throw SqlError(50000, "no result from the PostgreSQL server");
    if (!failed()) return;
    const char* primary = PQresultErrorField(result_, PG_DIAG_MESSAGE_PRIMARY);
    std::string message = primary ? primary : PQresultErrorMessage(result_);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    const char* sqlState = PQresultErrorField(result_, PG_DIAG_SQLSTATE);
    if (sqlState && std::strcmp(sqlState, "42P01") == 0) message = invalidObjectName(message);
    throw SqlError(sqlServerErrorNumber(sqlState), message);
}

int sqlServerErrorNumber(const char* sqlState) noexcept {
    struct Pair {
        const char* state;
        int number;
    };
    // The numbers a SQL Server gives for the same kind of fault, so tests and
    // the tool see familiar codes; anything else is a user-defined 50000.
    static constexpr Pair pairs[] = {
        {"42P01", 208},   // invalid object name
        {"42703", 207},   // invalid column name
        {"42601", 102},   // incorrect syntax
        {"42P07", 2714},  // object already exists
        {"23505", 2627},  // unique key violation
        {"23502", 515},   // null into a not-null column
        {"22P02", 245},   // conversion failed
        {"22003", 8115},  // arithmetic overflow
        {"3D000", 911},   // database does not exist
        {"42P04", 1801},  // database already exists
    };
    if (sqlState)
        for (const Pair& p : pairs)
            if (std::strcmp(p.state, sqlState) == 0) return p.number;
    return 50000;
}

}  // namespace tdsserver
