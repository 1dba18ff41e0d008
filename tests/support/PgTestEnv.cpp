#include "support/PgTestEnv.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace support {
namespace {

std::string quoteValue(const std::string& v) {
    std::string out = "'";
    for (char c : v) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out + "'";
}

std::string quoteIdentifier(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string pgConnInfo() {
    const char* value = std::getenv("LIR2ORBIT_TEST_PG");
    if (!value || !*value)
        throw std::runtime_error(
            "LIR2ORBIT_TEST_PG is not set: run the tests through scripts/test");
    return value;
}

std::string pgConnInfo(const std::string& database) {
    return pgConnInfo() + " dbname=" + quoteValue(database);
}

void execPg(const std::string& conninfo, const std::string& sql) {
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(conninfo.c_str()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn.get()));
    std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn.get(), sql.c_str()), &PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error(PQerrorMessage(conn.get()));
}

TempPgDatabase::TempPgDatabase(const std::string& prefix) {
    static std::atomic<int> counter{0};
    name_ = prefix + "_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    dropPgDatabase(name_);
    execPg(pgConnInfo("postgres"), "create database " + quoteIdentifier(name_));
}

TempPgDatabase::TempPgDatabase(TempPgDatabase&& other) noexcept : name_(std::move(other.name_)) {
    other.name_.clear();
}

TempPgDatabase::~TempPgDatabase() {
    if (!name_.empty()) dropPgDatabase(name_);
}

void dropPgDatabase(const std::string& name) noexcept {
    try {
        execPg(pgConnInfo("postgres"),
               "drop database if exists " + quoteIdentifier(name) + " with (force)");
    } catch (const std::exception&) {
    }
}

}  // namespace support
