#pragma once

#include <string>

namespace db {

// The connection strings the tool composes, built exactly as the legacy tool did
// (provider and driver named in them), and read back into the parameters a backend
// needs. Values go in as they are: callers trim them first.

std::string SqlServerConnectionString(const std::string& server, const std::string& port,
                                      const std::string& user, const std::string& password,
                                      const std::string& database, const std::string& provider);

std::string PgConnectionString(const std::string& server, const std::string& port,
                               const std::string& user, const std::string& password,
                               const std::string& database, const std::string& provider);

struct ConnectionParams {
    std::string provider;
    std::string server;  // for SQL Server the host; a "host\instance" form keeps only the host
    std::string port;
    std::string user;
    std::string password;
    std::string database;
};

// Both parsers walk the known keys in their fixed order, so a password holding
// ";" or "=" survives. They throw DbError for a string of another shape.
ConnectionParams parseSqlServerConnectionString(const std::string& connectionString);
ConnectionParams parsePgConnectionString(const std::string& connectionString);

}  // namespace db
