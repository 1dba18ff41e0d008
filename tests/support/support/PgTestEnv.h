#pragma once
#include <string>

namespace support {

// The throwaway cluster's libpq conninfo (no dbname), from LIR2ORBIT_TEST_PG.
// Throws std::runtime_error "LIR2ORBIT_TEST_PG is not set: run the tests through
// scripts/test" when it is missing.
std::string pgConnInfo();

// conninfo with dbname set to database.
std::string pgConnInfo(const std::string& database);

// Runs sql (one or more statements) on conninfo; throws std::runtime_error
// carrying the server's message.
void execPg(const std::string& conninfo, const std::string& sql);

// A PostgreSQL database with a unique name made from prefix, the process id
// and a counter; dropped (other sessions forced off) when destroyed.
class TempPgDatabase {
public:
    explicit TempPgDatabase(const std::string& prefix);
    TempPgDatabase(TempPgDatabase&& other) noexcept;
    TempPgDatabase& operator=(TempPgDatabase&&) = delete;
    TempPgDatabase(const TempPgDatabase&) = delete;
    TempPgDatabase& operator=(const TempPgDatabase&) = delete;
    ~TempPgDatabase();

    const std::string& name() const noexcept { return name_; }
    std::string connInfo() const { return pgConnInfo(name_); }

private:
    std::string name_;
};

// Drops a database if it exists, forcing other sessions off. Never throws.
void dropPgDatabase(const std::string& name) noexcept;

}  // namespace support
