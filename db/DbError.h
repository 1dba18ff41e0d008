#pragma once

#include <stdexcept>
#include <string>

namespace db {

// Root of the data-access errors. what() is the server's (or the system's) own
// message text, which callers search (the restore and import dialogs look for
// "LDF" and "无法打开"); number is the SQL Server error number or 0, sqlState the
// PostgreSQL SQLSTATE or empty.
class DbError : public std::runtime_error {
public:
    explicit DbError(const std::string& message, int number = 0, std::string sqlState = {})
        : std::runtime_error(message), number_(number), sqlState_(std::move(sqlState)) {}
    int number() const { return number_; }
    const std::string& sqlState() const { return sqlState_; }

private:
    int number_;
    std::string sqlState_;
};

// A connection could not be opened (login failed, unknown database, no server).
class ConnectError : public DbError {
public:
    using DbError::DbError;
};

// A column was read by a name the current row set does not have.
class FieldNotFound : public DbError {
public:
    using DbError::DbError;
};

// A value could not be converted to the type of the column it was assigned to.
// The message names table, column and value.
class ConversionError : public DbError {
public:
    using DbError::DbError;
};

}  // namespace db
