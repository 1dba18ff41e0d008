#include "tds-testserver/PgConnection.h"

#include <libpq-fe.h>

#include <stdexcept>

#include "tds-testserver/TdsError.h"

namespace tdsserver {

PgConnection::PgConnection(const std::string& conninfo, const std::string& database) {
    const char* keys[] = {"dbname", "dbname", "client_encoding", "application_name", nullptr};
    const char* values[] = {conninfo.c_str(), database.c_str(), "UTF8", "tds-testserver", nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (!conn_) throw std::runtime_error("out of memory connecting to PostgreSQL");
    if (PQstatus(conn_) != CONNECTION_OK) {
        std::string text = errorText();
        PQfinish(conn_);
        conn_ = nullptr;
        throw std::runtime_error(text);
    }
}

PgConnection::PgConnection(PgConnection&& other) noexcept : conn_(other.conn_) {
    other.conn_ = nullptr;
}

PgConnection& PgConnection::operator=(PgConnection&& other) noexcept {
    if (this != &other) {
        if (conn_) PQfinish(conn_);
        conn_ = other.conn_;
        other.conn_ = nullptr;
    }
    return *this;
}

PgConnection::~PgConnection() {
    if (conn_) PQfinish(conn_);
}

std::string PgConnection::database() const { return PQdb(conn_); }

std::string PgConnection::errorText() const {
    std::string text = PQerrorMessage(conn_);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

PgResult PgConnection::exec(const std::string& sql) {
    PgResult result(PQexec(conn_, sql.c_str()));
    if (!result) throw SqlError(50000, errorText());
    result.check();
    return result;
}

PgResult PgConnection::exec(const std::string& sql, const std::vector<std::string>& params) {
    std::vector<const char*> raw;
    for (const std::string& p : params) raw.push_back(p.c_str());
    PgResult result(PQexecParams(conn_, sql.c_str(), static_cast<int>(raw.size()), nullptr,
                                 raw.data(), nullptr, nullptr, 0));
    if (!result) throw SqlError(50000, errorText());
    result.check();
    return result;
}

void PgConnection::prepare(const std::string& sql) {
    PgResult result(PQprepare(conn_, "", sql.c_str(), 0, nullptr));
    if (!result) throw SqlError(50000, errorText());
    result.check();
}

PgResult PgConnection::describePrepared() {
    PgResult result(PQdescribePrepared(conn_, ""));
    if (!result) throw SqlError(50000, errorText());
    result.check();
    return result;
}

void PgConnection::sendStreaming(const std::string& sql) {
    if (!PQsendQueryParams(conn_, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0))
        throw SqlError(50000, errorText());
    if (!PQsetSingleRowMode(conn_)) throw SqlError(50000, "cannot stream the result row by row");
}

PgResult PgConnection::nextResult() { return PgResult(PQgetResult(conn_)); }

void PgConnection::cancelAndDrain() noexcept {
    if (PGcancel* cancel = PQgetCancel(conn_)) {
        char buffer[256];
        PQcancel(cancel, buffer, sizeof buffer);
        PQfreeCancel(cancel);
    }
    while (PGresult* r = PQgetResult(conn_)) {
        // A COPY left open by a failed load must be ended before the next command.
        if (PQresultStatus(r) == PGRES_COPY_IN) PQputCopyEnd(conn_, "cancelled");
        PQclear(r);
    }
}

void PgConnection::putCopyData(std::string_view data) {
    if (PQputCopyData(conn_, data.data(), static_cast<int>(data.size())) != 1)
        throw SqlError(50000, errorText());
}

void PgConnection::endCopy() {
    if (PQputCopyEnd(conn_, nullptr) != 1) throw SqlError(50000, errorText());
    PgResult result(PQgetResult(conn_));
    while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);
    result.check();
}

std::string PgConnection::quoteIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace tdsserver
