#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "tds-testserver/PgResult.h"

struct pg_conn;

namespace tdsserver {

// Owns one libpq connection. Used by one thread at a time.
class PgConnection {
public:
    // conninfo is the server's --postgres value; database overrides its dbname.
    // Throws std::runtime_error with libpq's message.
    PgConnection(const std::string& conninfo, const std::string& database);
    PgConnection(PgConnection&& other) noexcept;
    PgConnection& operator=(PgConnection&& other) noexcept;
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;
    ~PgConnection();

    std::string database() const;

    // Runs sql (one or more statements) and returns the last result; an error
    // throws SqlError with the server's message.
    PgResult exec(const std::string& sql);
    PgResult exec(const std::string& sql, const std::vector<std::string>& params);

    // Streaming: prepare one statement to describe its columns, then run it
    // in single-row mode and take the results one by one until nextResult is
    // empty. Other statements may run in between (they reuse the unnamed
    // statement, so the statement is sent again as text).
    void prepare(const std::string& sql);
    PgResult describePrepared();
    void sendStreaming(const std::string& sql);
    PgResult nextResult();
    // Asks the server to stop the running statement and discards what it still sends.
    void cancelAndDrain() noexcept;

    // COPY FROM STDIN after a PGRES_COPY_IN result.
    void putCopyData(std::string_view data);
    void endCopy();

    static std::string quoteIdentifier(std::string_view name);

private:
    std::string errorText() const;
    pg_conn* conn_ = nullptr;
};

}  // namespace tdsserver
