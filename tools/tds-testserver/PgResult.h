#pragma once
#include <string>
#include <string_view>

struct pg_result;

namespace tdsserver {

// Owns one libpq result.
class PgResult {
public:
    PgResult() noexcept = default;
    explicit PgResult(pg_result* result) noexcept : result_(result) {}
    PgResult(PgResult&& other) noexcept;
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;
    ~PgResult();

    pg_result* get() const noexcept { return result_; }
    explicit operator bool() const noexcept { return result_ != nullptr; }

    int status() const noexcept;
    bool failed() const noexcept;
    int rows() const noexcept;
    int columns() const noexcept;
    bool isNull(int row, int column) const noexcept;
    std::string value(int row, int column) const;
    // The value in place; valid while the result lives.
    std::string_view view(int row, int column) const noexcept;
    // Throws SqlError carrying the server's message when the result is an error.
    void check() const;

private:
    pg_result* result_ = nullptr;
};

}  // namespace tdsserver
