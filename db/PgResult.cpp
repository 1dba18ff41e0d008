#include "PgResult.h"

namespace db {

std::string PgResult::errorMessage() const {
    std::string message = result_ ? PQresultErrorMessage(result_) : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

std::string PgResult::sqlState() const {
    const char* state = result_ ? PQresultErrorField(result_, PG_DIAG_SQLSTATE) : nullptr;
    return state ? state : "";
}

}  // namespace db
