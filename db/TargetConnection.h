#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace db {

// The target side: PostgreSQL through libpq (client encoding UTF8, connect
// time-out, no statement time-out). Used by one thread at a time.
class TargetConnection {
public:
    TargetConnection();
    ~TargetConnection() noexcept;
    TargetConnection(const TargetConnection&) = delete;
    TargetConnection& operator=(const TargetConnection&) = delete;

    // Closes the connection if open, then opens it with a string made by
    // PgConnectionString. Throws ConnectError with the server's text. On success
    // runs the after-connect handler.
    void open(const std::string& connectionString);
    void close() noexcept;
    bool isOpen() const;
    const std::string& connectionString() const { return connectionString_; }

    void setAfterConnect(std::function<void()> handler) { afterConnect_ = std::move(handler); }

    // Target execute: the whole text (several statements separated by ";" allowed)
    // as one simple-protocol batch; results are released. Throws DbError with the
    // server's message and SQLSTATE.
    void execute(const std::string& sql);

    // Waits for a batch that a target query sent without waiting (see
    // TargetQuery::flushWithoutWaiting) and throws its failure, if any; does nothing
    // when none is outstanding. Afterwards the connection takes statements again.
    void settlePending();

    // Runs a "copy ... to stdout" statement and hands each row, in COPY's text format
    // without its line end, to `onRow`. Throws DbError with the server's text.
    void copyOut(const std::string& sql, const std::function<void(std::string_view row)>& onRow);

    struct Impl;
    Impl& impl();

private:
    std::unique_ptr<Impl> impl_;
    std::string connectionString_;
    std::function<void()> afterConnect_;
};

}  // namespace db
