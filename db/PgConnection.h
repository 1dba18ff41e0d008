#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "PgResult.h"

namespace db {

// A table written to by target queries: its quoted name and primary key,
// looked up once per connection.
struct PgTableInfo {
    std::string name;             // relation name as the catalogue holds it
    std::string quotedName;       // "schema"."table"
    std::vector<int> keyAttnums;  // attribute numbers of the primary key, in key order
};

// Owns one libpq connection; the target connection's working part.
class PgConnection {
public:
    PgConnection() = default;
    ~PgConnection() noexcept;
    PgConnection(PgConnection&& other) noexcept;
    PgConnection& operator=(PgConnection&& other) noexcept;
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Opens a connection with client encoding UTF8; throws ConnectError.
    void open(const std::string& host, const std::string& port, const std::string& user,
              const std::string& password, const std::string& database);
    void close() noexcept;
    bool isOpen() const { return conn_ != nullptr; }
    PGconn* get() const { return conn_; }

    // Runs a text as one simple-protocol batch; throws DbError unless it succeeded.
    PgResult exec(const std::string& sql);
    PgResult execParams(const std::string& sql, const std::vector<const char*>& values);
    // Throws DbError with the result's (or the connection's) message.
    [[noreturn]] void fail(const PgResult& result) const;
    [[noreturn]] void failConnection() const;
    void check(const PgResult& result) const;

    const PgTableInfo& table(unsigned int oid);

    // "copy ... to stdout": every row to `onRow`, without its line end.
    void copyOut(const std::string& sql, const std::function<void(std::string_view row)>& onRow);

    // A COPY ended without waiting for its outcome: the server loads the rows
    // while the client goes on. The next statement on the connection, or
    // collectDeferred(), takes the outcome first and throws DbError with the
    // server's text if the COPY failed.
    void deferCopyOutcome() { copyPending_ = true; }
    void collectDeferred();

    static std::string quoteIdentifier(const std::string& name);

private:
    PGconn* conn_ = nullptr;
    bool copyPending_ = false;
    std::unordered_map<unsigned int, PgTableInfo> tables_;
};

}  // namespace db
