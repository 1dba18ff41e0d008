#pragma once
#include <string>

#include "tds-testserver/TdsError.h"

namespace tdsserver {

// What PostgreSQL said about a failed statement, as far as the mapping needs it.
struct PgFault {
    std::string sqlState;
    std::string message;  // the primary message
    std::string table;    // PG_DIAG_TABLE_NAME, when given
    std::string column;   // PG_DIAG_COLUMN_NAME, when given
    std::string constraint;
    std::string detail;
};

// The error a SQL Server gives for the same fault: its number and, for the
// common faults, its own words; anything unmapped keeps PostgreSQL's text
// under number 50000.
SqlError sqlServerError(const PgFault& fault);

}  // namespace tdsserver
