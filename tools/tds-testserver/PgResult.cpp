#include "tds-testserver/PgResult.h"

#include <libpq-fe.h>

#include "tds-testserver/SqlServerErrors.h"
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

void PgResult::check() const {
    if (!result_) throw SqlError(50000, "no result from the PostgreSQL server");
    if (!failed()) return;
    auto field = [&](int code) {
        const char* value = PQresultErrorField(result_, code);
        return std::string(value ? value : "");
    };
    PgFault fault;
    fault.sqlState = field(PG_DIAG_SQLSTATE);
    fault.message = field(PG_DIAG_MESSAGE_PRIMARY);
    if (fault.message.empty()) fault.message = PQresultErrorMessage(result_);
    while (!fault.message.empty() && (fault.message.back() == '\n' || fault.message.back() == ' '))
        fault.message.pop_back();
    fault.table = field(PG_DIAG_TABLE_NAME);
    fault.column = field(PG_DIAG_COLUMN_NAME);
    fault.constraint = field(PG_DIAG_CONSTRAINT_NAME);
    fault.detail = field(PG_DIAG_MESSAGE_DETAIL);
    throw sqlServerError(fault);
}

}  // namespace tdsserver
