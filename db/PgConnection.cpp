#include "PgConnection.h"

#include <exception>

#include "DbError.h"

namespace db {

namespace {

std::string trimmedMessage(const char* text) {
    std::string message = text ? text : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

// Server notices (NOTICE, WARNING of scripts) are not errors and not shown.
void ignoreNotice(void*, const char*) {}

}  // namespace

std::string PgConnection::quoteIdentifier(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

PgConnection::~PgConnection() noexcept { close(); }

PgConnection::PgConnection(PgConnection&& other) noexcept
    : conn_(other.conn_), copyPending_(other.copyPending_), tables_(std::move(other.tables_)) {
    other.conn_ = nullptr;
    other.copyPending_ = false;
}

PgConnection& PgConnection::operator=(PgConnection&& other) noexcept {
    if (this != &other) {
        close();
        conn_ = other.conn_;
        copyPending_ = other.copyPending_;
        tables_ = std::move(other.tables_);
        other.conn_ = nullptr;
        other.copyPending_ = false;
    }
    return *this;
}

void PgConnection::open(const std::string& host, const std::string& port, const std::string& user,
                        const std::string& password, const std::string& database) {
    close();
    // No statement time-out: a large table or script may run as long as it needs.
    std::vector<const char*> keys = {"host",
                                     "port",
                                     "user",
                                     "dbname",
                                     "client_encoding",
                                     "connect_timeout",
                                     "options",
                                     "fallback_application_name"};
    std::vector<const char*> values = {
        host.c_str(),
        port.c_str(),
        user.c_str(),
        database.c_str(),
        "UTF8",
        "15",
        "-c statement_timeout=0 -c DateStyle=ISO,YMD -c bytea_output=hex",
        "lir2orbit"};
    if (!password.empty()) {
        keys.push_back("password");
        values.push_back(password.c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 0);
    if (conn == nullptr) throw ConnectError("out of memory opening a PostgreSQL connection");
    if (PQstatus(conn) != CONNECTION_OK) {
        std::string message = trimmedMessage(PQerrorMessage(conn));
        PQfinish(conn);
        throw ConnectError(message);
    }
    PQsetNoticeProcessor(conn, ignoreNotice, nullptr);
    conn_ = conn;
}

void PgConnection::close() noexcept {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    copyPending_ = false;
    tables_.clear();
}

void PgConnection::failConnection() const {
    throw DbError(conn_ ? trimmedMessage(PQerrorMessage(conn_))
                        : "the target connection is not open");
}

void PgConnection::fail(const PgResult& result) const {
    if (!result) failConnection();
    std::string message = result.errorMessage();
    if (message.empty()) message = trimmedMessage(PQerrorMessage(conn_));
    throw DbError(message, 0, result.sqlState());
}

void PgConnection::check(const PgResult& result) const {
    if (!result) failConnection();
    switch (result.status()) {
        case PGRES_COMMAND_OK:
        case PGRES_TUPLES_OK:
        case PGRES_EMPTY_QUERY:
            return;
        default:
            fail(result);
    }
}

void PgConnection::collectDeferred() {
    if (!copyPending_) return;
    copyPending_ = false;
    PgResult end(PQgetResult(conn_));
    while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);
    if (!end || end.status() != PGRES_COMMAND_OK) fail(end);
}

PgResult PgConnection::exec(const std::string& sql) {
    if (!conn_) failConnection();
    collectDeferred();
    PgResult result(PQexec(conn_, sql.c_str()));
    if (result && result.status() == PGRES_COPY_IN) {
        // A batch that starts a COPY from the client has no data to send here.
        PQputCopyEnd(conn_, "no COPY data from this command");
        while (PGresult* r = PQgetResult(conn_)) result = PgResult(r);
    } else if (result && result.status() == PGRES_COPY_OUT) {
        char* buffer = nullptr;
        while (PQgetCopyData(conn_, &buffer, 0) > 0) PQfreemem(buffer);
        while (PGresult* r = PQgetResult(conn_)) result = PgResult(r);
    }
    check(result);
    return result;
}

PgResult PgConnection::execParams(const std::string& sql, const std::vector<const char*>& values) {
    if (!conn_) failConnection();
    collectDeferred();
    PgResult result(PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                 values.data(), nullptr, nullptr, 0));
    check(result);
    return result;
}

void PgConnection::copyOut(const std::string& sql,
                           const std::function<void(std::string_view row)>& onRow) {
    if (!conn_) failConnection();
    collectDeferred();
    PgResult start(PQexec(conn_, sql.c_str()));
    if (!start || start.status() != PGRES_COPY_OUT) {
        check(start);
        throw DbError("not a COPY TO statement: " + sql);
    }
    char* buffer = nullptr;
    int length = 0;
    std::exception_ptr failure;
    while ((length = PQgetCopyData(conn_, &buffer, 0)) > 0) {
        std::string_view row(buffer, static_cast<size_t>(length));
        if (!row.empty() && row.back() == '\n') row.remove_suffix(1);
        if (!failure) {
            try {
                onRow(row);
            } catch (...) {
                // The rows must still be drained before the connection takes a statement.
                failure = std::current_exception();
            }
        }
        PQfreemem(buffer);
    }
    PgResult end(PQgetResult(conn_));
    while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);
    if (length == -2) failConnection();
    check(end);
    if (failure) std::rethrow_exception(failure);
}

const PgTableInfo& PgConnection::table(unsigned int oid) {
    auto found = tables_.find(oid);
    if (found != tables_.end()) return found->second;
    std::string id = std::to_string(oid);
    PgResult names = exec(
        "select n.nspname, c.relname from pg_class c join pg_namespace n on n.oid = c.relnamespace "
        "where c.oid = " +
        id);
    if (PQntuples(names.get()) != 1) throw DbError("table with oid " + id + " not found");
    PgTableInfo info;
    info.name = PQgetvalue(names.get(), 0, 1);
    info.quotedName =
        quoteIdentifier(PQgetvalue(names.get(), 0, 0)) + "." + quoteIdentifier(info.name);
    PgResult key = exec(
        "select k.attnum from pg_index i, unnest(i.indkey) with ordinality as k(attnum, n) "
        "where i.indrelid = " +
        id + " and i.indisprimary order by k.n");
    for (int r = 0; r < PQntuples(key.get()); ++r)
        info.keyAttnums.push_back(std::stoi(PQgetvalue(key.get(), r, 0)));
    return tables_.emplace(oid, std::move(info)).first->second;
}

}  // namespace db
