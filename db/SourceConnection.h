#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace db {

class SourceQuery;

// The source side: a SQL Server reached through FreeTDS db-lib (TDS 7.4, login
// time-out 15 s, no command time-out, "SET TEXTSIZE 2147483647" after login).
// Varchar bytes arrive unconverted and are decoded from code page 936 here.
// Server messages and errors of each command are collected and raised as DbError
// with the server's text. Used by one thread at a time.
class SourceConnection {
public:
    SourceConnection();
    ~SourceConnection() noexcept;
    SourceConnection(const SourceConnection&) = delete;
    SourceConnection& operator=(const SourceConnection&) = delete;

    // Closes the connection if open, then opens it with a string made by
    // SqlServerConnectionString. Throws ConnectError with the server's text.
    // On success runs the after-connect handler.
    void open(const std::string& connectionString);
    void close() noexcept;
    bool isOpen() const;
    const std::string& connectionString() const { return connectionString_; }

    void setAfterConnect(std::function<void()> handler) { afterConnect_ = std::move(handler); }

    // Runs one batch (one or more statements), discarding any rows. Throws DbError
    // with the first error's text.
    void execute(const std::string& sql);

    // Informational messages (not errors) of the last command, server's text.
    const std::vector<std::string>& lastMessages() const;

    struct Impl;
    Impl& impl();

private:
    std::unique_ptr<Impl> impl_;
    std::string connectionString_;
    std::function<void()> afterConnect_;
};

}  // namespace db
