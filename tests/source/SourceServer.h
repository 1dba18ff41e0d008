#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/TdsTestServer.h"

namespace db {
class SourceConnection;
}

namespace sourcetest {

// The SQL Server test server for one test, with the legacy account set it
// backs up or detaches: table t (id int, name varchar) with `rows` rows.
class SourceServer {
public:
    explicit SourceServer(const std::string& tag, int rows = 3);
    ~SourceServer();

    // A code of letters and digits unique to this process, for the created database.
    const std::string& code() const { return code_; }
    std::string createdName() const { return "QXLirToOrbit_" + code_; }

    std::string connectionString(const std::string& database) const;
    void openMaster(db::SourceConnection& con) const;

    void writeBackupSet(const std::string& path) const;
    // Also writes its log file, base + "_log.LDF", beside it.
    void writeDataFile(const std::string& path) const;

    // The names of the server's user databases matching `name` without case.
    bool databaseExists(db::SourceConnection& con, const std::string& name) const;
    // The same through a connection of its own.
    bool databaseExists(const std::string& name) const;
    // Rows of t in the database, read through the server.
    int rowsIn(const std::string& database) const;

    // Makes a database of that name, to be dropped with the others at the end.
    void createDatabase(const std::string& name);
    // Drops a database made through the server (now, and again at the end).
    void dropDatabase(const std::string& name);

    const support::TdsTestServer& testServer() const { return server_; }

private:
    support::TdsTestServer server_;
    std::string legacy_;
    std::string code_;
    std::vector<std::string> extra_;
};

}  // namespace sourcetest
