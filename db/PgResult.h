#pragma once

#include <libpq-fe.h>

#include <string>

namespace db {

// Owns one libpq result.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(PGresult* result) : result_(result) {}
    ~PgResult() noexcept { PQclear(result_); }
    PgResult(PgResult&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    PgResult& operator=(PgResult&& other) noexcept {
        if (this != &other) {
            PQclear(result_);
            result_ = other.result_;
            other.result_ = nullptr;
        }
        return *this;
    }
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    PGresult* get() const { return result_; }
    explicit operator bool() const { return result_ != nullptr; }
    ExecStatusType status() const { return PQresultStatus(result_); }

    // The server's message of a failed result, without the trailing line break.
    std::string errorMessage() const;
    std::string sqlState() const;

private:
    PGresult* result_ = nullptr;
};

}  // namespace db
